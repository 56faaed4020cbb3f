"""Wine's registry files (system.reg, user.reg) read as text.

The wineserver keeps the registry in memory and writes these files when it
exits, so they are read only while no server runs for the prefix. Reading two
text files is much faster than asking Wine for every key.
"""
import re

_KEY = re.compile(r'\[(.*)\](?: \d+)?$')
_VALUE = re.compile(r'"((?:[^"\\]|\\.)*)"=(.*)$')

# The 32-bit engine sees HKLM\Software; Wine's 64-bit prefix keeps that view
# under HKLM\Software\Wow6432Node.
_WOW = 'Software\\Wow6432Node\\'

# Value types by Wine's hex(n) number.
_TYPE_NAMES = {0: 'REG_NONE', 1: 'REG_SZ', 2: 'REG_EXPAND_SZ', 3: 'REG_BINARY', 4: 'REG_DWORD',
               7: 'REG_MULTI_SZ', 11: 'REG_QWORD'}


def _unescape_name(text):
    return text.replace('\\\\', '\\')


def _unescape_string(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text):
            n = text[i + 1]
            if n == 'x':
                m = re.match(r'[0-9a-fA-F]{1,4}', text[i + 2:])
                if m:
                    out.append(chr(int(m.group(0), 16)))
                    i += 2 + len(m.group(0))
                    continue
            out.append({'n': '\n', 'r': '\r', 't': '\t', '0': '\0', 'a': '\a'}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return ''.join(out)


def parse(path):
    """Maps each key path (relative to the file's root) to {value name: raw text}.

    A value spread over several lines (a trailing backslash) is joined.
    Comment lines (#time=, #class=, #link) are left out.
    """
    keys = {}
    current = None
    pending = None
    with open(path, encoding='utf-8', errors='surrogateescape') as f:
        for raw in f:
            line = raw.rstrip('\n')
            if pending is not None:
                line = pending + line.strip()
                pending = None
            if current is not None and line.endswith('\\') and not line.startswith('['):
                pending = line[:-1]
                continue
            if line.startswith('['):
                m = _KEY.match(line)
                if m:
                    current = keys.setdefault(_unescape_name(m.group(1)), {})
                continue
            if current is None or not line or line[0] in ';#':
                continue
            if line.startswith('@='):
                current[''] = line[2:]
                continue
            m = _VALUE.match(line)
            if m:
                current[_unescape_string(m.group(1))] = m.group(2)
    return keys


def with_ancestors(keys):
    """The key paths with every parent of a stored key: Wine leaves out keys
    that hold no values of their own and have subkeys."""
    out = set()
    for k in keys:
        parts = k.split('\\')
        for i in range(1, len(parts) + 1):
            out.add('\\'.join(parts[:i]))
    return out


def decode(raw):
    """(type name, data as text) of a raw value."""
    if raw is None:
        return ('', '')
    if raw.startswith('"'):
        return ('REG_SZ', _unescape_string(raw[1:-1]))
    m = re.match(r'str\((\d+)\):"(.*)"$', raw)
    if m:
        text = _unescape_string(m.group(2))
        kind = int(m.group(1))
        if kind == 7:
            text = ' | '.join(p for p in text.split('\0') if p != '')
        return (_TYPE_NAMES.get(kind, 'type %d' % kind), text)
    if raw.startswith('dword:'):
        return ('REG_DWORD', '0x' + raw[6:])
    m = re.match(r'hex(?:\((\w+)\))?:(.*)$', raw)
    if m:
        kind = int(m.group(1), 16) if m.group(1) else 3
        data = bytes(int(b, 16) for b in m.group(2).split(',') if b.strip())
        if kind in (1, 2, 7) and len(data) % 2 == 0:
            text = data.decode('utf-16-le', errors='replace')
            return (_TYPE_NAMES[kind], ' | '.join(p for p in text.split('\0') if p != '') if kind == 7
                    else text.rstrip('\0'))
        if kind == 4 and len(data) == 4:
            return ('REG_DWORD', '0x%08x' % int.from_bytes(data, 'little'))
        return (_TYPE_NAMES.get(kind, 'type %d' % kind), ' '.join('%02x' % b for b in data))
    return ('', raw)


def script_view(root, key):
    """(key as the 32-bit engine names it, stored in Wow6432Node)."""
    if root == 'HKLM' and key.lower().startswith(_WOW.lower()):
        return ('HKLM\\Software\\' + key[len(_WOW):], True)
    if root == 'HKLM' and key.lower() == _WOW.lower().rstrip('\\'):
        return ('HKLM\\Software', True)
    return (root + '\\' + key, False)


def remove_values(path, key, names):
    """Deletes the named values of one key from a registry file, as Windows
    deletes the RunOnce values it starts at a restart. Only while no server runs."""
    with open(path, encoding='utf-8', errors='surrogateescape') as f:
        lines = f.read().split('\n')
    out = []
    inside = False
    skipping = False
    wanted = {n.lower() for n in names}
    for line in lines:
        if skipping:
            skipping = line.endswith('\\')
            continue
        if line.startswith('['):
            m = _KEY.match(line)
            inside = bool(m) and _unescape_name(m.group(1)).lower() == key.lower()
        elif inside:
            m = _VALUE.match(line)
            if m and _unescape_string(m.group(1)).lower() in wanted:
                skipping = line.endswith('\\')
                continue
        out.append(line)
    with open(path, 'w', encoding='utf-8', errors='surrogateescape') as f:
        f.write('\n'.join(out))


def add_key(path, key, values):
    """Appends a key with string values to a registry file (no server running)."""
    esc = key.replace('\\', '\\\\')
    text = '\n[%s] 0\n' % esc + ''.join('"%s"="%s"\n' % (n, v.replace('\\', '\\\\').replace('"', '\\"'))
                                       for n, v in values.items())
    with open(path, 'a', encoding='utf-8') as f:
        f.write(text)
