"""report.html: one self-contained page (no scripts, fonts or links outside
it), a column per Windows family."""
from html import escape

from .compare import change_counts, command_rows

STYLE = """
body { font-family: sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.4em; } h2 { font-size: 1.15em; margin-top: 1.6em; border-bottom: 1px solid #ccc; }
table { border-collapse: collapse; margin: .5em 0; }
th, td { border: 1px solid #ccc; padding: .2em .5em; text-align: left; vertical-align: top; font-size: .9em; }
th { background: #f0f0f0; }
tr.group th { background: #e4e9f2; font-family: monospace; }
td.item { font-family: monospace; white-space: pre-wrap; }
.error { background: #f8c9c9; font-weight: bold; } .warning { background: #fbeab8; }
.skipped, .notsupported { background: #e6e6e6; } .ran, .ok { background: #d9f0d9; }
.restart { background: #d6e4f7; font-style: italic; } .notrun { color: #999; }
.created { background: #d9f0d9; } .changed { background: #fbeab8; } .deleted { background: #f8c9c9; }
.tag { font-size: .75em; background: #ddd; padding: 0 .3em; border-radius: .2em; }
pre { background: #f7f7f7; padding: .5em; overflow-x: auto; font-size: .85em; }
details summary { cursor: pointer; }
"""


def _table(head, rows):
    out = ['<table>', '<tr>' + ''.join('<th>%s</th>' % escape(h) for h in head) + '</tr>']
    out += rows
    out.append('</table>')
    return out


def _checker(data):
    ch = data['checker']
    out = ['<h2 id="checker">setupcheck</h2>']
    if ch.get('note'):
        return out + ['<p>%s</p>' % escape(ch['note'])]
    out.append('<p>exit %s: %d finding(s)</p>' % (escape(str(ch['exit'])), len(ch['findings'])))
    if ch['findings']:
        out += _table(['line', 'severity', 'finding'], [
            '<tr class="%s"><td>%s</td><td>%s</td><td>%s</td></tr>' % (
                'error' if f['severity'] == 'error' else 'warning' if f['severity'] == 'warning' else '',
                escape(str(f['line'])), escape(f['severity']), escape(f['text'])) for f in ch['findings']])
    return out


def _counts(items):
    n = change_counts(items)
    return '%d created, %d changed, %d deleted' % (n['created'], n['changed'], n['deleted'])


def _overview(data):
    fams = data['families']
    rows = []

    def row(name, cells, classes=None):
        classes = classes or [''] * len(cells)
        rows.append('<tr><th>%s</th>%s</tr>' % (escape(name), ''.join(
            '<td class="%s">%s</td>' % (c, escape(str(v))) for v, c in zip(cells, classes))))
    row('Wine version setting', [r['wine_version'] for r in fams])
    row('detected by the engine', [r.get('detected') or '-' for r in fams],
        ['ok' if r.get('detected') == r['family'] else 'error' for r in fams])
    row('result', [r['status'] for r in fams], ['ok' if r['status'] == 'ok' else 'error' for r in fams])
    row('starts of the engine', [len(r['phases']) for r in fams])
    row('error entries', [r['counts']['error'] for r in fams],
        ['error' if r['counts']['error'] else '' for r in fams])
    row('warning entries', [r['counts']['warning'] for r in fams],
        ['warning' if r['counts']['warning'] else '' for r in fams])
    row('driver file warnings', [r['counts']['driver'] for r in fams])
    row('files', [_counts(r.get('files', [])) for r in fams])
    row('registry values', [_counts(r.get('registry', {}).get('values', [])) for r in fams])
    row('working copy left', [('yes, CurrentCmd=%s' % r['working_copy'].get('CurrentCmd'))
                              if r.get('working_copy', {}).get('left') else 'no' for r in fams])
    row('seconds', [r['seconds'] for r in fams])
    rows.append('<tr><th>install log</th>%s</tr>' % ''.join(
        '<td><a href="#log-%s">%s</a></td>' % (escape(r['family']), escape(r.get('log_path') or 'none'))
        for r in fams))
    notes = []
    for r in fams:
        for n in r.get('notes', []):
            notes.append('<li><b>%s</b>: %s</li>' % (escape(r['family']), escape(n)))
    out = ['<h2 id="overview">Families</h2>'] + _table([''] + [r['family'] for r in fams], rows)
    if notes:
        out += ['<ul class="notes">'] + notes + ['</ul>']
    return out


def _entries(cell):
    c = cell.get('command')
    if not c or not c['entries']:
        return ''
    lines = ''.join('<div class="%s">%s</div>' % (e.get('kind', ''), escape(e['text'])) for e in c['entries'])
    return '<details><summary>log</summary>%s</details>' % lines


def _commands(data):
    fams = [r['family'] for r in data['families']]
    rows = []
    for key, cells in command_rows(data['families']):
        tds = []
        for f in fams:
            cell = cells[f]
            if cell is None:
                tds.append('<td class="notrun">not run</td>')
            elif cell['result'] == 'restart':
                tds.append('<td class="restart">%s</td>' % escape(cell['text']))
            else:
                text = cell['result'] + (' (x%d)' % cell['count'] if cell['count'] > 1 else '')
                tds.append('<td class="%s" data-family="%s">%s%s</td>' % (
                    cell['result'].replace(' ', ''), escape(f), escape(text), _entries(cell)))
        rows.append('<tr><td class="item">%s</td>%s</tr>' % (escape(key), ''.join(tds)))
    return ['<h2 id="commands">Commands</h2>',
            '<p>In the order they ran; a command that ran in one family only stands between its neighbours.</p>'] \
        + _table(['command'] + fams, rows)


def _grouped(title, anchor, fams, items, group_of, name_of, text_of):
    """A table of changes grouped by folder or key: one row per item, a cell per family."""
    groups = {}
    for f, its in items.items():
        for it in its:
            groups.setdefault(group_of(it), {}).setdefault(name_of(it), {})[f] = it
    rows = []
    for g in sorted(groups, key=str.lower):
        rows.append('<tr class="group"><th colspan="%d">%s</th></tr>' % (len(fams) + 1, g))
        for name in sorted(groups[g], key=str.lower):
            tds = []
            for f in fams:
                it = groups[g][name].get(f)
                tds.append('<td class="%s">%s</td>' % (it['change'], escape(text_of(it))) if it
                           else '<td class="notrun">-</td>')
            rows.append('<tr><td class="item">%s</td>%s</tr>' % (escape(name), ''.join(tds)))
    if not rows:
        return ['<h2 id="%s">%s</h2>' % (anchor, title), '<p>none</p>']
    return ['<h2 id="%s">%s</h2>' % (anchor, title)] + _table([''] + fams, rows)


def _files(data):
    fams = [r['family'] for r in data['families']]
    items = {r['family']: r.get('files', []) for r in data['families']}
    def group(it):
        return escape(it['folder']) + (' <span class="tag">32-bit view: syswow64</span>' if it.get('view32') else '')
    return _grouped('Files', 'files', fams, items, group,
                    lambda it: it['path'][len(it['folder']):],
                    lambda it: it['change'] + (' (%d bytes)' % it['size'] if 'size' in it else ''))


def _registry(data):
    fams = [r['family'] for r in data['families']]
    items = {}
    for r in data['families']:
        reg = r.get('registry', {'keys': [], 'values': []})
        items[r['family']] = [dict(k, name='(key)') for k in reg['keys']] + reg['values']

    def group(it):
        return escape(it['key']) + (' <span class="tag">32-bit view: Wow6432Node</span>' if it['view32'] else '')

    def text(it):
        if it['name'] == '(key)':
            return 'key ' + it['change']
        if it['change'] == 'deleted':
            return 'deleted (was %s)' % it.get('before', '')
        return '%s %s %s' % (it['change'], it['type'], it.get('after', ''))
    return _grouped('Registry', 'registry', fams, items, group,
                    lambda it: it['name'] if it['name'] != '' else '(default)', text)


def _differences(data):
    diffs = data['differences']
    out = ['<h2 id="differences">Differences among the families</h2>']
    if not diffs:
        return out + ['<p>none: every family did the same</p>']
    fams = [r['family'] for r in data['families']]
    rows = ['<tr><td>%s</td><td class="item">%s</td>%s</tr>' % (
        escape(d['kind']), escape(d['item']),
        ''.join('<td>%s</td>' % escape(d['by_family'].get(f, '')) for f in fams)) for d in diffs]
    return out + _table(['what', 'item'] + fams, rows)


def _logs(data):
    out = ['<h2 id="logs">Install logs</h2>']
    for r in data['families']:
        out.append('<details id="log-%s"><summary>%s: %s</summary><pre>%s</pre></details>' % (
            escape(r['family']), escape(r['family']), escape(r.get('log_path') or 'no log'),
            escape(r.get('log') or '(empty)')))
    return out


def render(data):
    parts = ['<!DOCTYPE html>', '<html lang="en"><head><meta charset="utf-8">',
             '<title>setuptry: %s</title>' % escape(data['script']), '<style>%s</style></head><body>' % STYLE,
             '<h1>setuptry: %s</h1>' % escape(data['script']),
             '<p>Program folder %s; %d Windows families; 32-bit code %s. '
             '<a href="#commands">commands</a> · <a href="#files">files</a> · <a href="#registry">registry</a> · '
             '<a href="#differences">differences</a> · <a href="#logs">logs</a> · <a href="#limits">limits</a></p>'
             % (escape(data['folder']), len(data['families']),
                'runs natively' if data['mode'] == 'native' else 'runs under qemu')]
    for section in (_checker, _overview, _commands, _files, _registry, _differences, _logs):
        parts += section(data)
    parts.append('<h2 id="limits">Limits</h2><ul>')
    parts += ['<li>%s</li>' % escape(t) for t in data['limits']]
    # A link to a log opens it: one click from the table to the text.
    parts.append('</ul><script>function openTarget() { var d = document.getElementById(location.hash.slice(1)); '
                 'if (d && d.tagName === "DETAILS") d.open = true; } '
                 'window.addEventListener("hashchange", openTarget); openTarget();</script></body></html>')
    return '\n'.join(parts) + '\n'
