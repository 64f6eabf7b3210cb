#!/usr/bin/python3
"""The same job as one screening pass, written plainly with poplib and smtplib: fetch every
header with TOP n 0, keep mail from known senders, delete the rest, reply to each deleted
sender once. The benchmark times it against Sievra's engine on the same servers."""
import email.parser
import poplib
import smtplib
import sys
import time

pop_port, smtp_port, user, password, book_file = sys.argv[1:6]
book = {line.strip().upper() for line in open(book_file) if line.strip()}
start = time.monotonic()
pop = poplib.POP3("127.0.0.1", int(pop_port))
pop.user(user)
pop.pass_(password)
count, _ = pop.stat()
parser = email.parser.BytesHeaderParser()
replies = set()
for n in range(1, count + 1):
    _, lines, _ = pop.top(n, 0)
    header = parser.parsebytes(b"\r\n".join(lines))
    sender = header.get("From", "")
    address = sender.split("<")[-1].split(">")[0]
    if address.upper() not in book:
        pop.dele(n)
        replies.add(header.get("Reply-To") or header.get("Return-Path", "").strip("<>"))
pop.quit()
pop_done = time.monotonic()
# The same reply the engine sends: its header block, and header text, hints and footer.
smtp = smtplib.SMTP("127.0.0.1", int(smtp_port))
for address in sorted(replies):
    text = ("Reply-To: me@home.example\r\nReturn-Path: <>\r\nFrom: me@home.example\r\n"
            "To: %s\r\nSubject: Your message was deleted!\r\nSender: me@home.example\r\n"
            "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n"
            "Date: %s\r\n\r\nHeader.\r\n\r\na fruit with a crown\r\n\r\nFooter.\r\n"
            % (address, time.strftime("%a, %d %b %Y %H:%M:%S +0000", time.gmtime())))
    smtp.sendmail("", [address], text)
smtp.quit()
end = time.monotonic()
print("%.3f %d %d %.3f %.3f" % (end - start, count, len(replies), pop_done - start, end - pop_done))
