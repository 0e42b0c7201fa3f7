#!/usr/bin/env python3
"""A Hayes modem on a pseudo-terminal, for tests.

fake_modem.py LINK RECORD RESULT...

LINK becomes a symbolic link to the terminal's device, RECORD receives every byte the modem
is sent. Each dial command (ATD...) is answered with the next RESULT, the last one repeating:
a result code such as "CONNECT 33600" or "BUSY", or "silence" for no answer at all. Every
other command is answered "OK", "ERROR" for "AT+FAIL", nothing for "AT+SILENT"; after "ATV0"
the answers are numeric codes. Commands are echoed, as by a modem in its factory setting.
"+++" and "ATH" hang up, and so does the closing of the line: a pseudo-terminal has no DTR to
drop. Ends on SIGTERM.
"""
import os
import select
import sys
import time
import tty

link, record_path, *results = sys.argv[1:]
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
CODES = {"OK": "0", "CONNECT": "1", "ERROR": "4", "BUSY": "7"}
command = b""


def say(text):
    if numeric:
        text = CODES.get(text.split(" ")[0], text)
    os.write(master, b"\r\n" + text.encode() + b"\r\n")


def answer(line):
    global dials, online, numeric
    upper = line.upper()
    if upper.startswith(b"ATD"):
        result = results[min(dials, len(results) - 1)]
        dials += 1
        if result != "silence":
            say(result)
            online = result.startswith("CONNECT")
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
        if b"+++" in data:
            online = False
            say("OK")
        continue
    for byte in data:
        if byte in b"\r\n":
            if command.strip():
                os.write(master, command + b"\r")
                answer(command.strip())
            command = b""
        else:
            command += bytes([byte])
