#!/usr/bin/env python3
"""Writes a CALLER.LOG (the client's binary caller log, 10409 bytes) holding
the calls given, oldest first, the newest in view.

    make-caller-log.py FILE "name|number|time|action" ...
"""
import struct
import sys

SLOTS = 80


def field(text, size):
    # Cut to the field, always terminated; the rest of the field is zero.
    return text.encode('latin-1')[:size - 1].ljust(size, b'\0')


def record(name, number='', time='', action=''):
    return field(name, 30) + field(number, 20) + field(time, 30) + field(action, 50)


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    calls = [record(*call.split('|')) for call in argv[2:]][:SLOTS]
    slots = calls + [record('No Callers')] * (SLOTS - len(calls))
    head = b'"' + struct.pack('<ii', len(calls), max(len(calls) - 1, 0))
    with open(argv[1], 'wb') as out:
        out.write(head + b''.join(slots))


if __name__ == '__main__':
    main(sys.argv)
