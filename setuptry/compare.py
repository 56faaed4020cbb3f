"""The families side by side: rows that line up what each family did, the
differences among them, and the text summary."""
from .enginelog import RESULTS


def merge_order(sequences):
    """One order of keys in which every sequence keeps its own order."""
    rows = []
    for seq in sequences:
        pos = -1
        for key in seq:
            if key in rows[pos + 1:]:
                pos = rows.index(key, pos + 1)
            else:
                rows.insert(pos + 1, key)
                pos += 1
    return rows


def command_key(c):
    return '[%s] CMD%d %s' % (c['section'], c['index'], c['line'])


def command_rows(results):
    """[(row key, {family: cell})]: a cell is the command's result (the worst
    when it ran more than once, with the count), or a restart between starts."""
    seqs = []
    cells = {}
    for r in results:
        seq = []
        mine = {}
        for n, ph in enumerate(r.get('phases', [])):
            if n:
                key = 'restart %d' % n
                seq.append(key)
                info = r['phases'][n - 1].get('restart_info', {})
                by = '; '.join(info.get('started_by', [])) or 'nothing on the machine: setuptry'
                mine[key] = {'result': 'restart', 'text': 'restart after command %s; started again with -resume '
                             'by %s' % (info.get('command', '?'), by)}
            for c in ph['commands']:
                key = command_key(c)
                if key in mine:
                    cell = mine[key]
                    cell['count'] += 1
                    if RESULTS.index(c['result']) < RESULTS.index(cell['result']):
                        cell['result'] = c['result']
                    continue
                seq.append(key)
                mine[key] = {'result': c['result'], 'count': 1, 'command': c}
        seqs.append(seq)
        cells[r['family']] = mine
    return [(key, {r['family']: cells[r['family']].get(key) for r in results}) for key in merge_order(seqs)]


def _cell_text(cell):
    if cell is None:
        return 'not run'
    if cell['result'] == 'restart':
        return 'restart'
    return cell['result'] + (' (x%d)' % cell['count'] if cell.get('count', 1) > 1 else '')


def _value_text(v):
    if v['change'] == 'deleted':
        return 'deleted'
    return '%s %s %s' % (v['change'], v['type'], v.get('after', ''))


def differences(results):
    """[{kind, item, by_family}] for every command, file, key and value on
    which the families do not agree."""
    out = []
    fams = [r['family'] for r in results]

    def add(kind, item, by):
        if len(set(by.values())) > 1:
            out.append({'kind': kind, 'item': item, 'by_family': by})
    for key, cells in command_rows(results):
        if not key.startswith('restart'):
            add('command', key, {f: _cell_text(cells[f]) for f in fams})
    add('restarts', 'restarts', {r['family']: str(max(0, len(r.get('phases', [])) - 1)) for r in results})
    add('status', 'result', {r['family']: r['status'] for r in results})
    files = {}
    for r in results:
        for f in r.get('files', []):
            files.setdefault(f['path'], {})[r['family']] = f['change']
    for path in sorted(files, key=str.lower):
        add('file', path, {f: files[path].get(f, 'unchanged') for f in fams})
    keys, values = {}, {}
    for r in results:
        reg = r.get('registry', {'keys': [], 'values': []})
        for k in reg['keys']:
            keys.setdefault(k['key'], {})[r['family']] = k['change']
        for v in reg['values']:
            values.setdefault('%s [%s]' % (v['key'], v['name'] or '(default)'), {})[r['family']] = _value_text(v)
    for k in sorted(keys, key=str.lower):
        add('registry key', k, {f: keys[k].get(f, 'unchanged') for f in fams})
    for k in sorted(values, key=str.lower):
        add('registry value', k, {f: values[k].get(f, 'unchanged') for f in fams})
    return out


def change_counts(items):
    """How many of the changes created, changed and deleted something."""
    n = {'created': 0, 'changed': 0, 'deleted': 0}
    for i in items:
        n[i['change']] += 1
    return n


def _changes(items):
    n = change_counts(items)
    return '+%d ~%d -%d' % (n['created'], n['changed'], n['deleted'])


def summary(data, report):
    lines = []
    fams = data['families']
    lines.append('setuptry %s (program folder %s): %d famil%s in %.1f s, 32-bit code %s'
                 % (data['script'], data['folder'], len(fams), 'y' if len(fams) == 1 else 'ies', data['seconds'],
                    'native' if data['mode'] == 'native' else 'under qemu'))
    ch = data['checker']
    if ch.get('note'):
        lines.append('checker: ' + ch['note'])
    else:
        lines.append('checker: exit %s, %d finding(s)' % (ch['exit'], len(ch['findings'])))
        for f in ch['findings']:
            lines.append('  %s:%s: %s: %s' % (f['file'], f['line'], f['severity'], f['text']))
    lines.append('')
    lines.append('%-5s %-8s %-20s %6s %7s %9s %7s %13s %13s' % ('', 'detected', 'result', 'starts', 'errors',
                                                                 'warnings', 'driver', 'files', 'registry'))
    for r in fams:
        reg = r.get('registry', {'keys': [], 'values': []})
        lines.append('%-5s %-8s %-20s %6d %7d %9d %7d %13s %13s' % (
            r['family'], r.get('detected') or '-', r['status'], len(r['phases']), r['counts']['error'],
            r['counts']['warning'], r['counts']['driver'], _changes(r.get('files', [])),
            _changes(reg['values'] + reg['keys'])))
    # Errors and notes, each once with the families it concerns.
    said = {}
    for r in fams:
        for ph in r['phases']:
            for c in ph['commands']:
                if c['result'] == 'error':
                    first = next((e['text'] for e in c['entries'] if e.get('kind') == 'error'), '')
                    said.setdefault('error in %s: %s' % (command_key(c), first.strip()), []).append(r['family'])
        for n in r.get('notes', []):
            said.setdefault(n, []).append(r['family'])
    for text, who in said.items():
        lines.append('%s: %s' % (','.join(dict.fromkeys(who)), text))
    diffs = data['differences']
    lines.append('')
    lines.append('differences among the families: %s' % (len(diffs) if diffs else 'none'))
    for d in diffs:
        by = d['by_family']
        groups = {}
        for f, v in by.items():
            groups.setdefault(v, []).append(f)
        lines.append('  %s %s: %s' % (d['kind'], d['item'],
                                      '; '.join('%s on %s' % (v, ','.join(fs)) for v, fs in groups.items())))
    lines.append('')
    if any(r['counts']['driver'] for r in fams):
        lines.append('driver: the "WARNING ERROR-=-" lines of the driver code (its files are not in the program '
                     'folder) are warnings, not errors; see the README, "The driver files"')
    lines.append('report: %s/report.html, %s/report.json' % (report, report))
    return '\n'.join(lines) + '\n'
