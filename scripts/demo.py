#!/usr/bin/python3
"""A self-contained demonstration of Sievra on this machine.

Starts a private POP3 server (dovecot) and SMTP server (aiosmtpd) on loopback ports, fills a
demo mailbox with a few wanted and a few unwanted messages, writes a demo address book and a
demo settings store in a temporary home, runs one screening pass with sievra-pass, and shows
what was kept, what was deleted and who was sent a reply. Nothing outside the temporary
folder is touched. Needs root (dovecot's login processes) and the packages of
scripts/install-deps.sh.
"""
import glob
import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"), "bin")

MESSAGES = [
    ("Alice Friend <alice@friends.example>", "Dinner on Saturday?", "alice@friends.example"),
    ("bulk@offers.example", "You have WON a cruise!!!", "bulk@offers.example"),
    ("Bob Stranger <bob@new.example>", "Pineapple: we met at the conference", "bob@new.example"),
    ("pills@pharma.example", "Cheap meds, no prescription", "pills@pharma.example"),
    ("Carol <carol@friends.example>", "Photos from the trip", "carol@friends.example"),
    ("Lottery <winner@lotto.example>", "Claim your prize", "claims@lotto.example"),
]
CONTACTS = [("Alice Friend", "alice@friends.example"), ("Carol", "Carol@Friends.example")]
CODE_WORDS = ["pineapple", "sievra"]
HINTS = ["a fruit with a crown", "the name of this program"]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_port(port, seconds=15):
    end = time.time() + seconds
    while time.time() < end:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                return
        except OSError:
            time.sleep(0.05)
    sys.exit("demo: nothing listens on port %d" % port)


def address_book(contacts):
    """Bytes of an address book file: N at 100, the index table at 2224, 500-byte records."""
    def field(window, at, marker, text):
        data = text.encode("utf-16-le")
        window[at:at + 4] = marker
        window[at + 4] = len(data)
        window[at + 8:at + 8 + len(data)] = data

    table_end = 2224 + 8 * len(contacts)
    blob = bytearray(table_end)
    struct.pack_into("<i", blob, 100, len(contacts) - 1)
    for i, (name, address) in enumerate(contacts):
        offset = len(blob)
        struct.pack_into("<i", blob, 2224 + 8 * i, offset)
        window = bytearray(500)
        for marker, text, at in ((b"\x1f\x00\x03\x30", address, 20), (b"\x1f\x00\x01\x30", name, 250)):
            window[at - 12:at - 8] = marker  # the first occurrence is not the one that counts
            field(window, at, marker, text)
        blob += window
    return bytes(blob)


def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def settings_dump(pop_port, smtp_port, wab):
    lines = ["[\\Software\\Orlent Software\\Sievra]"]
    values = {
        "AutoRun": 0, "Beep": 1, "Visual Alert": 1, "Interval": 10, "AutoLoad": 0, "LastID": 1,
        "WAB File": wab, "Subject": "Your message was deleted!",
        "Header 1": "Your message was deleted at the server because your address is not in",
        "Header 2": "my address book. To reach me, write again with a subject line that",
        "Header 3": "contains a \"code word\" matching one of these hints:",
        "Footer 1": "(This message generated automatically by Sievra)",
    }
    for name, value in values.items():
        lines.append("%s=%s" % (quote(name), "int:%d" % value if isinstance(value, int) else "text:" + quote(value)))
    lines.append("")
    lines.append("[\\Software\\Orlent Software\\Sievra\\00000001]")
    account = {
        "Active": 1, "Account Name": "Demo mailbox", "POP3 Server": "127.0.0.1",
        "POP3 Port": str(pop_port), "POP3 Security": 0, "POP3 User Name": "demo", "Save POP3 Password": 1,
        "POP3 Timeout": 60, "POP3 Tested": 0, "SMTP Server": "127.0.0.1", "SMTP Port": str(smtp_port), "SMTP Security": 0,
        "SMTP EMail Address": "me@home.example", "SMTP Display Name": "Demo User",
        "Requires AUTH": 0, "Use POP3": 0, "SMTP Timeout": 60, "SMTP Tested": 0,
    }
    for name, value in account.items():
        lines.append("%s=%s" % (quote(name), "int:%d" % value if isinstance(value, int) else "text:" + quote(value)))
    lines.append("")
    lines.append("[\\Software\\Orlent Software\\Sievra\\00000001\\Code Words]")
    lines.append('"1"=text:' + quote("".join(w + "|" for w in CODE_WORDS)))
    lines.append("[\\Software\\Orlent Software\\Sievra\\00000001\\Hints]")
    lines.append('"1"=text:' + quote("".join(h + "|" for h in HINTS)))
    return "\n".join(lines) + "\n"


def start_dovecot(home, port):
    d = os.path.join(home, "pop3")
    os.makedirs(os.path.join(d, "mail"))
    os.chmod(home, 0o755)
    os.chmod(d, 0o755)
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                    "-days", "2", "-keyout", d + "/key.pem", "-out", d + "/cert.pem"],
                   check=True, capture_output=True)
    os.makedirs(os.path.join(d, "users.d"))
    with open(os.path.join(d, "users.d", "demo"), "w") as f:
        f.write("demo:{PLAIN}demo-password\n")
    conf = open(os.path.join(ROOT, "tests/support/dovecot.conf.in")).read()
    conf = (conf.replace("@DIR@", d).replace("@PORT@", str(port)).replace("@TLSPORT@", str(free_port()))
            .replace("@MAILUSER@", "sievra-mail"))
    with open(os.path.join(d, "dovecot.conf"), "w") as f:
        f.write(conf)
    maildir = os.path.join(d, "mail", "demo")
    for sub in ("new", "cur", "tmp"):
        os.makedirs(os.path.join(maildir, sub))
    for i, (sender, subject, reply_to) in enumerate(MESSAGES):
        envelope = sender.split("<")[-1].rstrip(">")
        text = "Return-Path: <%s>\nFrom: %s\nTo: me@home.example\nSubject: %s\n" % (envelope, sender, subject)
        if reply_to not in sender:
            text += "Reply-To: %s\n" % reply_to
        text += "Date: Tue, 8 Dec 2026 09:%02d:00 +0000\n\nHello!\n" % i
        with open(os.path.join(maildir, "new", "%d.M%d.demo" % (1000000000 + i, i)), "w") as f:
            f.write(text)
    subprocess.run(["chown", "-R", "sievra-mail:sievra-mail", os.path.join(d, "mail")], check=True)
    proc = subprocess.Popen(["dovecot", "-F", "-c", os.path.join(d, "dovecot.conf")])
    wait_port(port)
    return proc, maildir


def main():
    if os.geteuid() != 0:
        sys.exit("demo: run as root (the private POP3 server needs it)")
    home = tempfile.mkdtemp(prefix="sievra-demo-")
    procs = []
    try:
        pop_port, smtp_port = free_port(), free_port()
        dovecot, maildir = start_dovecot(home, pop_port)
        procs.append(dovecot)
        sent = os.path.join(home, "sent")
        os.makedirs(sent)
        sink = subprocess.Popen(["/usr/bin/python3", os.path.join(ROOT, "tests/support/smtp_sink.py"),
                                 "--port", str(smtp_port), "--out", sent], stdout=subprocess.PIPE)
        procs.append(sink)
        sink.stdout.readline()
        wab = os.path.join(home, "contacts.wab")
        with open(wab, "wb") as f:
            f.write(address_book(CONTACTS))
        # Every folder a program might write into lies in the temporary home.
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"),
                   XDG_STATE_HOME=os.path.join(home, "state"), XDG_RUNTIME_DIR=runtime)
        tool = os.path.join(BIN, "sievra-settings")
        subprocess.run([tool, "import", "-"], input=settings_dump(pop_port, smtp_port, wab).encode(),
                       env=env, check=True)
        subprocess.run([tool, "set-password", "\\Software\\Orlent Software\\Sievra\\00000001",
                        "POP3 Password", "demo-password"], env=env, check=True)

        print("Sievra demo: %d messages wait in the mailbox; the address book knows %s;"
              % (len(MESSAGES), ", ".join(a for _, a in CONTACTS)))
        print("code words: %s.\n" % ", ".join(CODE_WORDS))
        code = subprocess.run([os.path.join(BIN, "sievra-pass")], env=env).returncode

        kept = []
        for path in sorted(glob.glob(maildir + "/new/*") + glob.glob(maildir + "/cur/*")):
            for line in open(path):
                if line.startswith("Subject:"):
                    kept.append(line[8:].strip())
        deleted = [s for _, s, _ in MESSAGES if s not in kept]
        time.sleep(0.3)
        replies = []
        for path in sorted(glob.glob(sent + "/*.json")):
            replies += json.load(open(path))["rcpt_tos"]
        print("\nSummary (sievra-pass exit status %d):" % code)
        print("  kept on the server:   " + "; ".join(kept))
        print("  deleted on the server: " + "; ".join(deleted))
        print("  replies with hints to: " + ", ".join(replies))
        return code
    finally:
        for proc in procs:
            proc.send_signal(signal.SIGTERM)
        for proc in procs:
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
