"""setuptry SCRIPT.INI [--windows 95,98,nt4,2000,xp] [--report DIR] [--keep]

Runs a setup script with the shipped engine on each Windows family under Wine,
each in a fresh prefix, following its restarts, and reports what every run did
and changed, and where the families differ."""
import argparse
import concurrent.futures
import json
import os
import subprocess
import sys
import time

from . import compare, htmlreport, prefix as px, snapshot
from .trial import Trial

LIMITS = [
    'Wine is not Windows. Every family runs on the same Wine: the version setting changes what the engine is told '
    '(GetVersionEx) and a few behaviours (a registry key with subkeys is deleted whole only under 95 and 98), '
    'but the file system, the registry layout and the system programs stay Wine\'s.',
    'Wine\'s prefix is 64-bit: the 32-bit engine\'s HKEY_LOCAL_MACHINE\\Software is kept under '
    'HKLM\\Software\\Wow6432Node. The report names keys as the script does and marks those with "32-bit view".',
    'The system directory of the 32-bit engine is C:\\windows\\syswow64 (it has no Drivers folder until one is '
    'made); the Windows directory is C:\\windows and the temporary directory C:\\users\\<user>\\Temp\\ under every '
    'family; the common Startup folder is C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp.',
    'As root, Wine overwrites read-only files that Windows would refuse.',
    'Runs are silent (-silent) and have no display: command 17 takes OK or Yes, and every other box is not shown.',
    'The identification control (NRVCI.OCX) and the driver files (TSLInt15.VxD, TSLMgmt.SYS) are whatever the '
    'script\'s folder holds; without them commands 9 and 25 take their defaults and the log has "WARNING ERROR-=-" '
    'lines for the driver (shown as warnings).',
    'A restart is a stop of every Wine process of the prefix; Windows\' start-up is not run. The engine is started '
    'again with -resume after a 20 (and after a 29 only when a Run or RunOnce value or a Startup entry names it); '
    'RunOnce values that name the engine are deleted at the restart, as Windows does; programs other than the '
    'engine that they name are not started.',
]


def say(text):
    print(text, file=sys.stderr, flush=True)


def run_checker(checker, script):
    if not checker or not os.path.exists(checker):
        return {'exit': None, 'findings': [], 'note': 'setupcheck is not built (cmake --preset host && cmake --build '
                                                      '--preset host --target setupcheck)'}
    folder, name = os.path.split(script)
    r = subprocess.run([checker, name, '--json'], capture_output=True, text=True, cwd=folder)
    try:
        findings = json.loads(r.stdout or '[]')
    except ValueError:
        findings = []
    return {'exit': r.returncode, 'findings': findings}


def parse_args(argv):
    p = argparse.ArgumentParser(prog='setuptry', description=__doc__.split('\n\n', 1)[1],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument('script', help='the setup script (its folder is copied in as the program folder)')
    p.add_argument('--windows', default='95,98,nt4,2000,xp', help='families to try (default: all five)')
    p.add_argument('--report', default='setuptry-report', help='folder for report.json and report.html')
    p.add_argument('--keep', action='store_true', help='keep each family\'s Wine prefix in REPORT/prefixes')
    p.add_argument('--folder', default='C:\\setup', help='the program folder on drive C: (default C:\\setup)')
    p.add_argument('--max-restarts', type=int, default=8, help='restarts allowed per family (default 8)')
    p.add_argument('--timeout', type=int, default=300, help='seconds one start of the engine may take')
    p.add_argument('--jobs', type=int, default=0, help='families run at once (default: all)')
    return p.parse_args(argv)


def main(argv):
    o = parse_args(argv)
    families = dict((f, w) for f, w, _ in px.FAMILIES)
    asked = list(dict.fromkeys(f.strip().lower() for f in o.windows.split(',') if f.strip()))
    unknown = [f for f in asked if f not in families]
    if unknown or not asked:
        say('setuptry: unknown Windows family %s; choose from 95, 98, nt4, 2000, xp' % ', '.join(unknown))
        return 2
    if not (len(o.folder) > 3 and o.folder[:3].lower() == 'c:\\'):
        say('setuptry: --folder must be a folder on drive C:, such as C:\\setup')
        return 2
    o.script = os.path.abspath(o.script)
    if not os.path.isfile(o.script):
        say('setuptry: no script %s' % o.script)
        return 2
    o.script_dir, o.script_name = os.path.split(o.script)
    o.engine = os.environ.get('SETUPTRY_ENGINE') or os.path.join(px.ROOT, 'build', 'win32', 'bin', 'setupengine.exe')
    if not os.path.exists(o.engine):
        say('setuptry: no engine at %s; build it: cmake --preset win32 && cmake --build --preset win32' % o.engine)
        return 2
    checker = os.environ.get('SETUPTRY_CHECKER') or os.path.join(px.ROOT, 'build', 'host', 'checker', 'setupcheck')
    report = os.path.abspath(o.report)
    os.makedirs(report, exist_ok=True)
    o.work = os.path.join(report, 'prefixes')
    cache = os.environ.get('SETUPTRY_CACHE') or os.path.join(px.ROOT, 'build', 'setuptry')
    o.leave_out = {report, os.path.abspath(cache)}
    started = time.time()

    checked = run_checker(checker, o.script)
    o.template, mode = px.ensure_template(cache, o.engine, say)
    o.registry_before = snapshot.registry(o.template)
    # The runs mostly wait (for Wine's services, its server, the disk): all
    # families at once take little longer than one.
    jobs = o.jobs or len(asked)
    say('setuptry: %s on %s (%s), %d at a time' % (o.script_name, ', '.join(asked),
                                                   '32-bit code runs natively' if mode == 'native'
                                                   else '32-bit code under qemu', jobs))

    def one(family):
        t = Trial(family, families[family], o)
        try:
            r = t.run()
        except Exception as e:  # a trial that breaks is reported, the others go on
            r = {'family': family, 'wine_version': families[family], 'status': 'failed: %s' % e, 'phases': [],
                 'files': [], 'registry': {'keys': [], 'values': []}, 'log': '', 'notes': [], 'seconds': 0,
                 'counts': {'error': 0, 'warning': 0, 'driver': 0}}
        say('setuptry: %-4s %s in %.1f s: %d start(s), %d error(s), %d warning(s), %d driver warning(s)'
            % (family, r['status'], r['seconds'], len(r['phases']), r['counts']['error'], r['counts']['warning'],
               r['counts']['driver']))
        return r

    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        results = list(pool.map(one, asked))
    if not o.keep:
        try:
            os.rmdir(o.work)
        except OSError:
            pass
    seconds = time.time() - started
    data = {
        'tool': 'setuptry',
        'script': o.script_name,
        'folder': o.folder,
        'mode': mode,
        'seconds': round(seconds, 1),
        'checker': checked,
        'families': results,
        'differences': compare.differences(results),
        'limits': LIMITS,
    }
    with open(os.path.join(report, 'report.json'), 'w') as f:
        json.dump(data, f, indent=1, ensure_ascii=False)
        f.write('\n')
    with open(os.path.join(report, 'report.html'), 'w') as f:
        f.write(htmlreport.render(data))
    sys.stdout.write(compare.summary(data, report))
    return 0 if all(r['status'] == 'ok' for r in results) else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
