#!/usr/bin/env python3
"""Reads a Wine prefix's registry files (system.reg, user.reg) from the host,
so tests can check keys and values without starting a Wine process. Run it
after the prefix's wineserver has ended (it writes the files on exit).

    wine_registry.py PREFIX HKLM|HKCU KEY              prints "present" or "absent"
    wine_registry.py PREFIX HKLM|HKCU KEY NAME         prints "TYPE<TAB>VALUE" or "absent"
    wine_registry.py PREFIX HKLM|HKCU KEY --time       prints the key's last-write stamp
    wine_registry.py PREFIX HKLM|HKCU KEY --add NAME dword:HEX|"TEXT"
                                                       adds a value (prefix idle)
    wine_registry.py PREFIX HKLM|HKCU --dump           prints every key, and every
                                                       value as "KEY|NAME=TYPE:VALUE",
                                                       sorted, without time stamps

KEY is written as in regedit, with single backslashes; HKLM keys are read
from system.reg ("Software\\Classes\\CLSID\\{...}" for HKEY_CLASSES_ROOT),
HKCU keys from user.reg. REG_MULTI_SZ values print their strings joined by
"|".
"""
import re
import sys


def hive_file(prefix, hive):
    return f'{prefix}/{"system.reg" if hive == "HKLM" else "user.reg"}'


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text):
            n = text[i + 1]
            i += 2
            if n == '0':
                out.append('\0')
            elif n == 'n':
                out.append('\n')
            elif n == 'x':
                m = re.match(r'[0-9a-fA-F]{1,4}', text[i:])
                out.append(chr(int(m.group(0), 16)))
                i += len(m.group(0))
            else:
                out.append(n)
            continue
        out.append(c)
        i += 1
    return ''.join(out)


def read_keys(path):
    """{lowercased key path: (stamp, {lowercased name: (type, value)})}"""
    keys = {}
    current = None
    pending = ''
    with open(path, encoding='utf-8', errors='replace') as f:
        for raw in f:
            line = pending + raw.rstrip('\n')
            if line.endswith('\\') and not line.startswith('['):
                pending = line[:-1].strip() if pending else line[:-1]
                continue
            pending = ''
            m = re.match(r'^\[(.*)\]\s*(\d*)', line)
            if m:
                name = unescape(m.group(1)).lower()
                current = keys.setdefault(name, [m.group(2), {}])
                continue
            if current is None:
                continue
            m = re.match(r'^#time=([0-9a-fA-F]+)', line)
            if m:
                current[0] = m.group(1)
                continue
            m = re.match(r'^("((?:[^"\\]|\\.)*)"|@)=(.*)$', line)
            if not m:
                continue
            name = '' if m.group(1) == '@' else unescape(m.group(2))
            current[1][name.lower()] = parse_value(m.group(3))
    return keys


def parse_value(data):
    if data.startswith('"'):
        return 'REG_SZ', unescape(data[1:-1])
    m = re.match(r'^str\((\d+)\):"(.*)"$', data)
    if m:
        kind = {'2': 'REG_EXPAND_SZ', '7': 'REG_MULTI_SZ'}.get(m.group(1), 'REG_SZ')
        text = unescape(m.group(2))
        if kind == 'REG_MULTI_SZ':
            text = '|'.join(text.split('\0')).rstrip('|')
        return kind, text
    if data.startswith('dword:'):
        return 'REG_DWORD', str(int(data[6:], 16))
    m = re.match(r'^hex(?:\((\w+)\))?:(.*)$', data)
    if m:
        raw = bytes(int(b, 16) for b in m.group(2).replace(' ', '').split(',') if b)
        kind = {None: 'REG_BINARY', '7': 'REG_MULTI_SZ', '2': 'REG_EXPAND_SZ',
                '1': 'REG_SZ', '4': 'REG_DWORD', 'b': 'REG_QWORD'}.get(m.group(1), 'REG_' + str(m.group(1)))
        if kind in ('REG_MULTI_SZ', 'REG_SZ', 'REG_EXPAND_SZ'):
            text = raw.decode('utf-16-le')
            return kind, '|'.join(text.split('\0')).rstrip('|')
        return kind, raw.hex()
    return 'UNKNOWN', data


def add_value(path, key, name, data):
    """Appends a key block with one value; Wine merges it on the next start."""
    escaped_key = key.replace('\\', '\\\\')
    if data.startswith('dword:'):
        value = data
    else:
        value = '"' + data.replace('\\', '\\\\').replace('"', '\\"') + '"'
    with open(path, 'a', encoding='utf-8') as f:
        f.write(f'\n[{escaped_key}] 0\n"{name}"={value}\n')


def dump(path):
    lines = []
    for key, (_, values) in read_keys(path).items():
        lines.append(key)
        lines.extend(f'{key}|{name}={kind}:{value}' for name, (kind, value) in values.items())
    # Wine stores some names as lone UTF-16 surrogates.
    sys.stdout.reconfigure(errors='backslashreplace')
    print('\n'.join(sorted(lines)))


def main():
    prefix, hive = sys.argv[1], sys.argv[2]
    path = hive_file(prefix, hive)
    if sys.argv[3] == '--dump':
        dump(path)
        return
    key = sys.argv[3]
    if len(sys.argv) > 4 and sys.argv[4] == '--add':
        add_value(path, key, sys.argv[5], sys.argv[6])
        return
    entry = read_keys(path).get(key.lower())
    if len(sys.argv) == 4:
        print('present' if entry else 'absent')
    elif sys.argv[4] == '--time':
        print(entry[0] if entry else 'absent')
    else:
        value = entry[1].get(sys.argv[4].lower()) if entry else None
        print('\t'.join(value) if value else 'absent')


if __name__ == '__main__':
    main()
