#!/usr/bin/env python3
"""Compares two dumps of dump_objects (old tree, new tree): every object the
old grammar read must come out of the new one byte for byte."""
import re
import sys

RECORD = re.compile(r'^(\S.*\.dfm:\d+): (OK|FAIL)', re.IGNORECASE)


def load(path):
    records = {}
    key = None
    with open(path, encoding='utf-8', errors='surrogateescape', newline='') as f:
        for line in f:
            m = RECORD.match(line)
            if m:
                key = m.group(1)
                records[key] = [line[m.end(1):]]
            elif key is not None:
                records[key].append(line)
    return {k: ''.join(v) for k, v in records.items()}


def main():
    old, new = load(sys.argv[1]), load(sys.argv[2])
    ok = lambda r: r.startswith(': OK')
    counts = dict(objects=len(old), old_ok=0, new_ok=0, same=0, changed=0, lost=0, gained=0)
    changed = []
    for key, text in old.items():
        after = new.get(key, '')
        counts['old_ok'] += ok(text)
        counts['new_ok'] += ok(after)
        if ok(text):
            if text == after:
                counts['same'] += 1
            elif ok(after):
                counts['changed'] += 1
                changed.append(key)
            else:
                counts['lost'] += 1
                changed.append(key)
        elif ok(after):
            counts['gained'] += 1
    for name, value in counts.items():
        print(f'{name}: {value}')
    for key in changed[:20]:
        print('differs:', key)
    return 1 if changed or len(new) != len(old) else 0


if __name__ == '__main__':
    sys.exit(main())
