"""Prints a setuptry report.json without what changes from run to run (times,
the machine's mode, the prefixes, the log text) and without the log lines
that are neither errors nor warnings, for comparison with an expected report."""
import json
import sys

data = json.load(open(sys.argv[1]))
for k in ('seconds', 'mode', 'limits'):
    data.pop(k, None)
for fam in data['families']:
    for k in ('seconds', 'log', 'prefix'):
        fam.pop(k, None)
    for f in fam['files']:
        f.pop('folder')
    for ph in fam['phases']:
        ph.pop('seconds', None)
        ph['startup'] = [e for e in ph['startup'] if 'kind' in e]
        ph['end'] = [e for e in ph['end'] if 'kind' in e]
        for c in ph['commands']:
            c['entries'] = [e for e in c['entries'] if 'kind' in e]
            c.pop('handler'); c.pop('type')


def dump(value, indent=''):
    """JSON with every object or list that fits on one line written on one."""
    flat = json.dumps(value, sort_keys=True, ensure_ascii=False)
    if len(flat) + len(indent) <= 220 or not isinstance(value, (dict, list)) or not value:
        return flat
    inner = indent + ' '
    if isinstance(value, dict):
        items = ['%s%s: %s' % (inner, json.dumps(k), dump(value[k], inner)) for k in sorted(value)]
        return '{\n' + ',\n'.join(items) + '\n' + indent + '}'
    return '[\n' + ',\n'.join(inner + dump(v, inner) for v in value) + '\n' + indent + ']'


sys.stdout.write(dump(data) + '\n')
