#!/usr/bin/python3
"""A scripted TLS server that ends its sessions the way some real ones do: after answering
QUIT it sends its TLS close notice and waits for the client's side before it closes.

  --port P --cert F --key F --proto pop3|smtp|pop3-hangup

"pop3-hangup" sends its close notice instead of answering PASS and then waits the same way.

Prints READY once it listens; after one session, "CLOSE_NOTIFY" when the client answered with
its own close notice, "EOF" when it closed the connection without one, "TIMEOUT" when the
client left it waiting."""
import argparse
import socket
import ssl

SCRIPTS = {
    "pop3": (b"+OK ready\r\n", {b"USER": b"+OK\r\n", b"PASS": b"+OK logged in\r\n",
                                 b"QUIT": b"+OK bye\r\n"}),
    "smtp": (b"220 tls.example ESMTP\r\n", {b"EHLO": b"250 tls.example\r\n",
                                           b"QUIT": b"221 bye\r\n"}),
    "pop3-hangup": (b"+OK ready\r\n", {b"USER": b"+OK\r\n", b"PASS": None}),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--proto", choices=SCRIPTS, required=True)
    args = parser.parse_args()
    greeting, answers = SCRIPTS[args.proto]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    listener = socket.create_server(("127.0.0.1", args.port))
    print("READY", flush=True)
    raw, _ = listener.accept()
    raw.settimeout(20)
    conn = context.wrap_socket(raw, server_side=True)
    conn.sendall(greeting)
    buffered = b""
    while True:
        while b"\r\n" not in buffered:
            chunk = conn.recv(4096)
            if not chunk:
                print("EOF", flush=True)
                return
            buffered += chunk
        line, buffered = buffered.split(b"\r\n", 1)
        verb = line.split(b" ")[0].upper()
        answer = answers.get(verb, b"-ERR unknown\r\n")
        if answer is None:
            break
        conn.sendall(answer)
        if verb == b"QUIT":
            break
    try:
        conn.unwrap()  # our close notice, then wait for the client's
        print("CLOSE_NOTIFY", flush=True)
    except socket.timeout:
        print("TIMEOUT", flush=True)
    except (ssl.SSLError, OSError):
        print("EOF", flush=True)


if __name__ == "__main__":
    main()
