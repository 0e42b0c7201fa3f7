#!/usr/bin/env python3
"""A Hayes modem on a pseudo-terminal, for tests.

fake_modem.py [--lowercase] [--ignore-first] [--login[=LOGIN,PASSWORD]] LINK RECORD RESULT...

LINK becomes a symbolic link to the terminal's device, RECORD receives every byte the modem
is sent. Each dial command (ATD...) is answered with the next RESULT, the last one repeating:
a result code such as "CONNECT 33600", "BUSY" or "DELAYED", a number such as "10", or
"silence" for no answer at all. Every other command is answered "OK", "ERROR" for "AT+FAIL",
nothing for "AT+SILENT"; after "ATV0" OK and ERROR are the numbers 0 and 4. Commands are
echoed, as by a modem in its factory setting. "+++" and "ATH" hang up, and so does the closing
of the line: a pseudo-terminal has no DTR to drop. Ends on SIGTERM.

--lowercase  words come in lowercase ("ok", "connect 33600"), as some modems send them
--ignore-first  the first command is echoed and not answered, as by a modem told ATQ1
--login  after CONNECT a terminal server asks "login: " and "Password: " (or the prompts
         given), each answered by a line, before it starts PPP; without it, PPP starts at once
"""
import os
import select
import sys
import time
import tty

arguments = sys.argv[1:]
flags = {a.split("=")[0] for a in arguments if a.startswith("--")}
login = next((a.split("=", 1)[1] for a in arguments if a.startswith("--login=")), "login: ,Password: ")
link, record_path, *results = [a for a in arguments if not a.startswith("--")]
master, slave = os.openpty()
tty.setraw(master)
name = os.ttyname(slave)
# Closed, so that the dialer's close of the line is seen here as a hangup.
os.close(slave)
if os.path.lexists(link):
    os.unlink(link)
os.symlink(name, link)
record = open(record_path, "ab", buffering=0)
dials = 0
online = False
numeric = False
ignoring = "--ignore-first" in flags
# After CONNECT: what the other end sends at each line it is answered with.
prompts = []
command = b""
# The numeric codes of CONNECT that the tests send (Rockwell's: bare, 1200, 2400, 33600).
CONNECT_NUMBERS = {"1", "5", "10", "84"}
# The start of an LCP Configure-Request, as a provider's PPP sends it.
PPP_FRAME = b"\x7e\xff\x7d\x23\xc0\x21\x7d\x21\x7d\x21\x7d\x20\x7d\x34"


def say(text):
    if numeric and text in ("OK", "ERROR"):
        os.write(master, {"OK": b"0\r", "ERROR": b"4\r"}[text])
    elif text.isdigit():
        os.write(master, text.encode() + b"\r")
    else:
        text = text.lower() if "--lowercase" in flags else text
        os.write(master, b"\r\n" + text.encode() + b"\r\n")


def answer(line):
    global dials, online, numeric, prompts
    upper = line.upper()
    if upper.startswith(b"ATD"):
        result = results[min(dials, len(results) - 1)]
        dials += 1
        if result != "silence":
            say(result)
            online = result.upper().startswith("CONNECT") or result in CONNECT_NUMBERS
            # The provider's PPP starts at once, or once the login is answered.
            if online:
                prompts = [b"\r\n" + p.encode() for p in login.split(",")] if "--login" in flags else []
                prompts.append(PPP_FRAME)
                os.write(master, prompts.pop(0))
    elif upper == b"AT+FAIL":
        say("ERROR")
    elif upper == b"AT+SILENT":
        pass
    elif upper.startswith(b"AT"):
        numeric = numeric or upper.startswith(b"ATV0")
        online = False if upper.startswith(b"ATH") else online
        say("OK")


while True:
    ready = select.poll()
    ready.register(master, select.POLLIN)
    events = ready.poll(1000)
    if not events:
        continue
    try:
        data = os.read(master, 4096)
    except OSError:
        # Nobody has the line open: hung up until someone opens it again.
        online = False
        command = b""
        time.sleep(0.02)
        continue
    record.write(data)
    if online:
        if prompts and b"\r" in data:
            os.write(master, prompts.pop(0))
        if b"+++" in data:
            online = False
            say("OK")
        continue
    for byte in data:
        if byte in b"\r\n":
            if command.strip():
                os.write(master, command + b"\r")
                if ignoring:
                    ignoring = False
                else:
                    answer(command.strip())
            command = b""
        else:
            command += bytes([byte])
