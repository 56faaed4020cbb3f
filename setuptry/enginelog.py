"""The install log of one engine start, read back into commands and results.

Each entry of the log is one line: a time stamp, the program name and "> ",
then the text; the level writer of the driver code writes its lines without
either. A command begins with "CMD<n>> <handler>: <list line>"; every line up
to the next command, the next list or the end of the run belongs to it.
"""
import re

_STAMP = re.compile(r'^\[\d\d:\d\d:\d\d\.\d{3}\]  ')
_PROGRAM = re.compile(r'^[^>\s]+\.exe> ')
_COMMAND = re.compile(r'^CMD(-?\d+)> (.*?): (.*?) ?$')
_SECTION_START = re.compile(r'^\*\*   Starting section >(.*)<$')
_SECTION_CONTINUE = re.compile(r'^InitCommandSection\(\)  continuing with \[(.*)\]$')
_DRIVER = re.compile(r'(Load|Del|Open|Close)TSL', re.IGNORECASE)

# Results, worst first.
RESULTS = ('error', 'warning', 'not supported', 'skipped', 'ran')


def strip(line):
    """The text of a log line without its time stamp and program name."""
    line = _STAMP.sub('', line)
    return _PROGRAM.sub('', line)


def classify(text):
    """'error', 'warning', 'driver' or None for one entry. 'driver' is a
    warning of the driver code: its file is not beside the engine, or (NT
    under Wine) the system directory has no Drivers folder."""
    if text.startswith('WARNING ERROR-=-') or text.startswith('RECOVERABLE ERROR-=-'):
        return 'driver' if _DRIVER.search(text) else 'warning'
    if text.startswith('FATAL-=-'):
        return 'error'
    if re.search(r'WARN|WARINING|NOTICE -- couldn|NOTICE:\w.* not defined in line|unable to determine root key',
                 text):
        return 'warning'
    if re.search(r'ERROR|Error-=-|FAIL -', text):
        return 'error'
    return None


def _new_command(index, handler, line, section):
    kind = line.split(',', 1)[0].strip()
    return {'index': index, 'section': section, 'type': kind, 'handler': handler, 'line': line,
            'result': 'ran', 'entries': []}


def _judge(command):
    """Sets the command's result from its entries."""
    found = set()
    for entry in command['entries']:
        text = entry['text']
        if command['type'] == '32' and entry is command['entries'][0]:
            continue  # command 32 writes the author's own text
        if 'Not Supported yet' in text:
            found.add('not supported')
        elif re.match(r'NOTICE:\s+CMD >.*< not defined', text):
            found.add('skipped')
        kind = entry.get('kind')
        if kind in ('error', 'warning'):
            found.add(kind)
        elif kind == 'driver':
            found.add('warning')
    for r in RESULTS:
        if r in found:
            command['result'] = r
            return


def read_phase(text):
    """Reads the log text of one start into
    {'startup': [entries], 'commands': [...], 'end': [entries], 'ending': str, 'done': bool}."""
    phase = {'startup': [], 'commands': [], 'end': [], 'ending': '', 'done': False, 'restart': None}
    section = ''
    current = None
    after = False  # past the last command: "No More commands", a list change or DONE
    lines = [strip(raw.rstrip('\r')) for raw in text.splitlines() if raw.strip()]
    # The driver removal at the end of the run: driver lines followed by DONE
    # (or nothing) with only driver lines between.
    at_end = [False] * len(lines)
    ends = True
    for i in range(len(lines) - 1, -1, -1):
        if lines[i].startswith('DONE'):
            ends = True
        elif _DRIVER.search(lines[i]):
            at_end[i] = ends
        else:
            ends = False
    for i, t in enumerate(lines):
        kind = classify(t)
        m = _SECTION_START.match(t) or _SECTION_CONTINUE.match(t)
        if m:
            section = m.group(1)
        c = _COMMAND.match(t)
        if c:
            current = _new_command(int(c.group(1)), c.group(2), c.group(3), section)
            phase['commands'].append(current)
            after = False
            continue
        if t.startswith(('InitCommandSection()', '**   Starting section', 'No More commands', 'DONE')):
            after = current is not None
            if t.startswith('DONE'):
                phase['done'] = True
                phase['ending'] = t
            continue
        entry = {'text': t}
        if kind:
            entry['kind'] = kind
        if current is None:
            phase['startup'].append(entry)
        elif after or at_end[i]:
            phase['end'].append(entry)
        else:
            current['entries'].append(entry)
            if 'SuppressReboot is set' in t and current['type'] in ('20', '29'):
                phase['restart'] = current['type']
    for command in phase['commands']:
        _judge(command)
    if not phase['done']:
        phase['ending'] = 'no DONE line: the run was cut short'
    return phase


def entry_counts(phase):
    """{'error': n, 'warning': n, 'driver': n} over the whole start."""
    counts = {'error': 0, 'warning': 0, 'driver': 0}
    entries = phase['startup'] + phase['end'] + [e for c in phase['commands'] for e in c['entries']
                                                 if not (c['type'] == '32' and e is c['entries'][0])]
    for e in entries:
        if e.get('kind') in counts:
            counts[e['kind']] += 1
    return counts
