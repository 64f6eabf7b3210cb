#!/usr/bin/python3
"""A real SMTP server (aiosmtpd) for Sievra's tests.

Writes every accepted message as one JSON file into the output folder (written to a
temporary name and renamed, so a reader never sees half a file) and prints READY once it
listens. Options:
  --port P --out DIR
  --auth USER:PASSWORD        require AUTH LOGIN with these credentials
  --auth-require-tls          refuse AUTH until TLS is on (530/538), to prove a client waits
  --reject ADDRESS=REPLY      answer RCPT TO for ADDRESS with REPLY (e.g. "550 5.1.1 <a>: ...")
  --tls-cert F --tls-key F    offer STARTTLS with this certificate
  --implicit-tls              TLS from the first byte (with --tls-cert/--tls-key)
  --enhanced                  offer ENHANCEDSTATUSCODES in the EHLO reply
  --pipelining                offer PIPELINING in the EHLO reply (aiosmtpd reads its commands
                              one after another from the stream, so a pipelined group works)
  --without EXT               leave the extension EXT (8BITMIME, SMTPUTF8) out of the EHLO reply
"""
import argparse
import asyncio
import base64
import json
import logging
import os
import signal
import ssl
import sys
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Sink:
    def __init__(self, out, rejects, enhanced, without, pipelining):
        self.out = out
        self.rejects = {k.lower(): v for k, v in rejects.items()}
        self.enhanced = enhanced
        self.pipelining = pipelining
        self.without = {w.upper() for w in without}
        self.count = 0
        self.lock = threading.Lock()

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        kept = [r for r in responses if r[4:].split(" ")[0].upper() not in self.without]
        if self.enhanced:
            kept.insert(-1, "250-ENHANCEDSTATUSCODES")
        if self.pipelining:
            kept.insert(-1, "250-PIPELINING")
        return kept

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        reply = self.rejects.get(address.lower())
        if reply:
            return reply
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            name = "%06d.json" % self.count
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "data": base64.b64encode(envelope.original_content).decode("ascii"),
            "auth": session.auth_data.login.decode() if isinstance(session.auth_data, LoginPassword) else "",
        }
        tmp = os.path.join(self.out, "." + name + ".tmp")
        with open(tmp, "w") as f:
            json.dump(record, f)
        os.rename(tmp, os.path.join(self.out, name))
        return "250 Message accepted for delivery"


def main():
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--auth")
    parser.add_argument("--auth-require-tls", action="store_true")
    parser.add_argument("--reject", action="append", default=[])
    parser.add_argument("--tls-cert")
    parser.add_argument("--tls-key")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--enhanced", action="store_true")
    parser.add_argument("--pipelining", action="store_true")
    parser.add_argument("--without", action="append", default=[])
    args = parser.parse_args()

    rejects = dict(r.split("=", 1) for r in args.reject)
    kwargs = {}
    if args.auth:
        user, password = args.auth.split(":", 1)

        def authenticator(server, session, envelope, mechanism, auth_data):
            ok = (isinstance(auth_data, LoginPassword)
                  and auth_data.login.decode() == user
                  and auth_data.password.decode() == password)
            # handled=False makes aiosmtpd answer 535 itself; True would leave the client hanging.
            return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

        kwargs.update(authenticator=authenticator, auth_require_tls=args.auth_require_tls,
                      auth_required=True)
    context = None
    if args.tls_cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        if args.implicit_tls:
            kwargs["ssl_context"] = context
        else:
            kwargs["tls_context"] = context
            kwargs["require_starttls"] = False
    controller = Controller(Sink(args.out, rejects, args.enhanced, args.without, args.pipelining),
                            hostname="127.0.0.1", port=args.port, enable_SMTPUTF8=True, **kwargs)
    controller.start()
    print("READY", flush=True)
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *a: stop.set())
    signal.signal(signal.SIGINT, lambda *a: stop.set())
    try:
        while not stop.wait(0.2):
            if sys.stdin.closed:
                break
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
