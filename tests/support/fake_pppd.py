#!/usr/bin/env python3
"""Stands in for pppd in tests, with pppd's own interface.

It is started as Orvalin starts pppd: the modem's line on standard input and output, the
options "call NAME passwordfd N logfd M nodetach user NAME SPEED", the password readable from
descriptor N, its log written to descriptor M in pppd's words, and pppd's exit codes.
FAKE_PPPD_SCENARIO says what happens: "up SECONDS" (the default, 3600) connects and ends with
a modem hangup after that long, "auth-fail" is refused by the provider. SIGTERM ends it as
pppd ends, but for "deaf", which ignores it and stays up. FAKE_PPPD_RECORD names a file that receives its pid, its options and the SHA-256 of
the password it read. Like pppd, it prints a line on standard output before it reads its
options.
"""
import hashlib
import os
import signal
import sys
import time

# pppd greets with its plugin on standard output before it reads "logfd".
os.write(1, b"Plugin passwordfd.so loaded.\n")
options = sys.argv[1:]
value = {options[i]: options[i + 1] for i in range(len(options) - 1)}
log = int(value["logfd"])
descriptor = int(value["passwordfd"])
password = b""
while chunk := os.read(descriptor, 256):
    password += chunk
os.close(descriptor)


def say(line):
    os.write(log, (line + "\n").encode())


def end(code, *lines):
    for line in lines:
        say(line)
    sys.exit(code)


signal.signal(signal.SIGTERM, lambda *_: end(5, "Terminating on signal 15", "Connection terminated."))
if "FAKE_PPPD_RECORD" in os.environ:
    with open(os.environ["FAKE_PPPD_RECORD"], "a") as record:
        print(os.getpid(), " ".join(options), hashlib.sha256(password).hexdigest(),
              os.ttyname(0), file=record)
scenario = os.environ.get("FAKE_PPPD_SCENARIO", "up 3600").split()
if scenario[0] == "deaf":
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
    scenario = ["up", "3600"]
time.sleep(0.1)
say("Using interface ppp0")
say("Connect: ppp0 <--> " + os.ttyname(0))
time.sleep(0.1)
if scenario[0] == "auth-fail":
    end(19, "PAP authentication failed", "Connection terminated.")
say("PAP authentication succeeded")
say("local  IP address 10.64.64.64")
say("remote IP address 10.112.112.112")
time.sleep(float(scenario[1]))
end(16, "Modem hangup", "Connection terminated.")
