#!/usr/bin/env python3
"""Packs the release ZIP: the programs stripped, the subscribers' text with
CR LF line ends, in the order given. Nothing of the moment goes in: every
entry has the same fixed time and permissions, so the same inputs give the
same bytes.

  package.py --strip STRIP --readme README.TXT --out NUV-x.y.z-win32.zip PROGRAM...
"""
import argparse
import os
import subprocess
import sys
import tempfile
import zipfile

# The earliest time a ZIP entry can carry (MS-DOS date and time).
FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def entry(name, mode):
    info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix: the permissions below are read on unpacking
    info.external_attr = (0o100000 | mode) << 16
    return info


def crlf(text):
    lines = text.replace('\r\n', '\n').split('\n')
    return '\r\n'.join(lines).encode('ascii')


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--strip', required=True)
    ap.add_argument('--readme', required=True)
    ap.add_argument('--out', required=True)
    ap.add_argument('programs', nargs='+')
    args = ap.parse_args()

    try:
        with open(args.readme, encoding='ascii') as f:
            readme = crlf(f.read())
    except (OSError, UnicodeDecodeError) as e:
        print(f'package: {args.readme}: {e}', file=sys.stderr)
        return 1

    out_dir = os.path.dirname(os.path.abspath(args.out))
    with tempfile.TemporaryDirectory(dir=out_dir, prefix='.package-') as stage:
        files = []
        for program in args.programs:
            name = os.path.basename(program)
            stripped = os.path.join(stage, name)
            # Symbols and debugging sections out. strip writes a new header
            # and would put the time of the moment in it; SOURCE_DATE_EPOCH
            # makes it write 0, as the linker did.
            env = dict(os.environ, SOURCE_DATE_EPOCH='0')
            rc = subprocess.run([args.strip, '--strip-all', '-o', stripped, program],
                                env=env).returncode
            if rc != 0:
                print(f'package: {args.strip} failed on {program}', file=sys.stderr)
                return 1
            with open(stripped, 'rb') as f:
                files.append((name, f.read(), 0o755))
        files.append(('README.TXT', readme, 0o644))

        partial = os.path.join(stage, 'package.zip')
        with zipfile.ZipFile(partial, 'w') as z:
            for name, data, mode in files:
                z.writestr(entry(name, mode), data, compresslevel=9)
        os.replace(partial, args.out)
    print(f'package: {args.out}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
