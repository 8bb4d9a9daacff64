#!/usr/bin/env python3
# Writes the update target's seeds into tests/fuzz/seeds/update/: each of the
# project's own update fixtures with a few edits in front, in the target's
# input format (see quillet_fuzz_update.cpp), and some of them for the
# fixture's twin with every element under a namespace prefix. Run from the
# project's root.
import pathlib
import struct

def edit(kind, choice, value):
    units = value.encode('utf-16-le')
    return bytes([kind]) + struct.pack('>H', choice) + bytes([len(units) // 2]) + units

# Kinds: 0 a field of the form (by its place in the window), 1 a field of the
# format's table (by its place there), 2 a description in another language,
# 3 a language taken out.
EDITS = {
    'version': [edit(0, 4, '2.0')],
    'release': [edit(0, 4, '9.8.7'), edit(0, 5, '\u07e9\x05\x03'), edit(0, 8, '123456789'),
                edit(0, 14, 'https://example.com/setup-9.8.7.exe')],
    'markup': [edit(0, 11, 'A <b>widget</b> & ]]> more\r\nlines'), edit(1, 66, 'Short & sweet')],
    'languages': [edit(2, 40, 'Kurz'), edit(3, 0, ''), edit(1, 80, '\U0001F600 caf\u00e9')],
}

root = pathlib.Path(__file__).resolve().parents[2]
out = root / 'tests' / 'fuzz' / 'seeds' / 'update'
out.mkdir(parents=True, exist_ok=True)
for fixture in sorted((root / 'tests' / 'data' / 'update').glob('*.xml')):
    if fixture.name.endswith('.updated.xml'):
        continue
    for name, edits in EDITS.items():
        data = bytes([len(edits)]) + b''.join(edits) + fixture.read_bytes()
        (out / f'{fixture.stem}-{name}').write_bytes(data)
    # The same edits of the file's twin with every element under a prefix:
    # the flag is the count's next digit.
    for name in ('release', 'languages'):
        edits = EDITS[name]
        data = bytes([len(edits) + 5]) + b''.join(edits) + fixture.read_bytes()
        (out / f'{fixture.stem}-{name}-prefixed').write_bytes(data)
