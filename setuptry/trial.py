"""One trial: the script run on one Windows family in a fresh prefix, with
the restarts it asks for, and what it changed."""
import os
import re
import shutil
import time

from . import enginelog, prefix as px, regtext, snapshot

ENGINE_NAME = 'setupengine.exe'
RUN_ONCE = re.compile(r'\\RunOnce$|\\RunServicesOnce$', re.IGNORECASE)


def read_section(path, section):
    """{key in lower case: (key as written, value)} of a script section as the profile functions
    read it: sections and keys without regard to case, the first of each,
    blanks at both ends and one pair of enclosing quotes removed. A ';' after
    the value stays part of it, as it does for the engine."""
    out = {}
    inside = False
    try:
        with open(path, encoding='latin-1') as f:
            lines = f.read().splitlines()
    except OSError:
        return out
    for line in lines:
        s = line.strip()
        if s.startswith('['):
            if inside:
                break
            name = s[1:s.index(']')] if ']' in s else s[1:]
            inside = name.strip().lower() == section.lower()
            continue
        if inside and '=' in s and not s.startswith(';'):
            k, v = s.split('=', 1)
            v = v.strip()
            if len(v) >= 2 and v[0] == v[-1] and v[0] in '"\'':
                v = v[1:-1]
            out.setdefault(k.strip().lower(), (k.strip(), v))
    return out


def read_ini_value(path, section, key):
    return read_section(path, section).get(key.lower(), (None, None))[1]


def log_location(script):
    """(Windows path of the install log or None, reason when None)."""
    logging = read_ini_value(script, 'Data', 'Logging')
    if (logging or '').strip() != '1':
        return None, 'the script does not turn the install log on ([Data] Logging=1): no command results can be read'
    return read_ini_value(script, 'Data', 'LogFile') or 'C:\\system.sav\\util\\install.log', None


def value_notes(script):
    """Notes on [Data] and [Variables] values that hold a ';': the engine
    reads no comment after a value, so the ';' and what follows are part of it."""
    notes = []
    for section in ('Data', 'Variables'):
        for key, v in read_section(script, section).values():
            if ';' in v:
                notes.append('[%s] %s is "%s": the text after the ";" is part of the value, not a comment'
                             % (section, key, v))
    return notes


def _read_from(path, offset):
    if not path or not os.path.exists(path):
        return ''
    with open(path, 'rb') as f:
        f.seek(offset)
        return f.read().decode('latin-1')


def _size(path):
    return os.path.getsize(path) if path and os.path.exists(path) else 0


def _copy_folder(src, dest, leave_out):
    def ignore(d, names):
        return [n for n in names if os.path.abspath(os.path.join(d, n)) in leave_out or n == '.git']
    shutil.copytree(src, dest, ignore=ignore, symlinks=False)


class Trial:
    def __init__(self, family, wine_name, opts):
        self.family = family
        self.wine_name = wine_name
        self.o = opts
        self.prefix = os.path.join(opts.work, family)
        self.folder_unix = None
        self.notes = []
        self.phases = []

    # -- paths ---------------------------------------------------------------
    def _skip(self, rel):
        low = rel.lower().replace(os.sep, '/')
        if low == px.PROBE_FOLDER or low.startswith(px.PROBE_FOLDER + '/'):
            return True
        temp = os.path.relpath(px.temp_folder(self.prefix), os.path.join(self.prefix, 'drive_c')).lower()
        if os.path.dirname(low) == temp.replace(os.sep, '/'):
            name = os.path.basename(low)
            wc = self.o.script_name.lower()
            return name == wc or (name.startswith(wc + '.') and name[len(wc) + 1:] in ('bak0', 'bak1', 'res0', 'res1')) \
                or re.fullmatch(r'tmp\d{5}\.ini', name) is not None
        return False

    def _startup_folders(self):
        drive = os.path.join(self.prefix, 'drive_c')
        common = os.path.join(drive, 'ProgramData', 'Microsoft', 'Windows', 'Start Menu', 'Programs', 'StartUp')
        user = os.path.join(os.path.dirname(px.temp_folder(self.prefix)), 'AppData', 'Roaming', 'Microsoft', 'Windows',
                            'Start Menu', 'Programs', 'StartUp')
        return [common, user]

    # -- the run ---------------------------------------------------------------
    def prepare(self):
        px.clone(self.o.template, self.prefix)
        regtext.add_key(os.path.join(self.prefix, 'user.reg'), 'Software\\Wine\\AppDefaults\\' + ENGINE_NAME,
                        {'Version': self.wine_name})
        self.folder_unix = px.windows_to_unix(self.prefix, self.o.folder)
        os.makedirs(os.path.dirname(self.folder_unix), exist_ok=True)
        _copy_folder(self.o.script_dir, self.folder_unix, self.o.leave_out)
        shutil.copy2(self.o.engine, os.path.join(self.folder_unix, ENGINE_NAME))
        px.put_probe(self.prefix, self.o.engine)

    def run(self):
        start = time.time()
        result = {'family': self.family, 'wine_version': self.wine_name}
        try:
            self.prepare()
            px.start_server(self.prefix)
            detected, err = px.probe(self.prefix, self.o.timeout)
            px.remove_probe(self.prefix)
            result['detected'] = detected
            if detected != self.family:
                px.stop_server(self.prefix)
                result.update(status='version not applied', phases=[], files=[], registry={'keys': [], 'values': []},
                              log='', notes=['Wine was asked for %s (%s) but the engine detected %s; the script was '
                                             'not run. %s' % (self.family, self.wine_name, detected or 'nothing',
                                                              err.strip())])
                return self._finish(result, start)
            drive = os.path.join(self.prefix, 'drive_c')
            files_before = snapshot.files(drive, self._skip)
            self._phases()
            px.stop_server(self.prefix)
            files_after = snapshot.files(drive, self._skip)
            self._check_template(files_before, files_after)
            result['files'] = snapshot.file_changes(files_before, files_after)
            result['registry'] = snapshot.registry_changes(self.o.registry_before, snapshot.registry(self.prefix))
            result['phases'] = self.phases
            result['log'] = _read_from(self.log_unix, 0).replace('\r\n', '\n')
            result['log_path'] = self.log_windows
            result['working_copy'] = self._working_copy()
            result['status'] = self._status()
            result['notes'] = self.notes
        finally:
            px.stop_server(self.prefix)
            if not self.o.keep:
                shutil.rmtree(self.prefix, ignore_errors=True)
        return self._finish(result, start)

    def _finish(self, result, start):
        result['seconds'] = round(time.time() - start, 1)
        counts = {'error': 0, 'warning': 0, 'driver': 0}
        for ph in result.get('phases', []):
            for k, v in ph['counts'].items():
                counts[k] += v
        result['counts'] = counts
        if self.o.keep:
            result['prefix'] = self.prefix
        return result

    def _phases(self):
        self.log_windows, why = log_location(os.path.join(self.folder_unix, self.o.script_name))
        self.log_unix = px.windows_to_unix(self.prefix, self.log_windows) if self.log_windows else None
        self.notes += value_notes(os.path.join(self.folder_unix, self.o.script_name))
        if why:
            self.notes.append(why)
        elif not self.log_unix:
            self.notes.append('the install log %s is not on drive C: and cannot be read' % self.log_windows)
        args = ['-silent', '-noreboot']
        program = self.o.folder.rstrip('\\') + '\\' + ENGINE_NAME
        restarts = 0
        while True:
            offset = _size(self.log_unix)
            t = time.time()
            code, err = px.run_program(self.prefix, program, [self.o.script_name] + args, self.o.timeout)
            phase = enginelog.read_phase(_read_from(self.log_unix, offset))
            phase['args'] = ' '.join(args)
            phase['seconds'] = round(time.time() - t, 1)
            phase['counts'] = enginelog.entry_counts(phase)
            if code is None:
                phase['ending'] = 'stopped: no end after %d s' % self.o.timeout
                phase['done'] = False
            elif not self.log_unix:
                phase['done'] = True
                phase['ending'] = 'ended (no log to read)'
            self.phases.append(phase)
            if not phase['restart'] or code is None:
                return
            if restarts >= self.o.max_restarts:
                phase['bound'] = True
                self.notes.append('the run asked for a restart more than %d times; setuptry stopped it there'
                                  % self.o.max_restarts)
                return
            restarts += 1
            if not self._restart(phase):
                return
            px.start_server(self.prefix)
            args = ['-resume', '-silent', '-noreboot']

    def _restart(self, phase):
        """The machine restarts: every process ends and the registry is
        written; Windows starts what Run, RunOnce and the Startup folders name,
        and deletes the RunOnce values it starts. Returns whether the engine
        starts again."""
        px.stop_server(self.prefix)
        found = snapshot.arranged_starts(self.prefix, ENGINE_NAME, self._startup_folders())
        command = phase['restart']
        info = {'command': command, 'started_by': [f[0] for f in found]}
        for desc, root, key, name in found:
            if root and RUN_ONCE.search(key):
                regtext.remove_values(os.path.join(self.prefix, 'system.reg' if root == 'HKLM' else 'user.reg'),
                                      key, [name])
        phase['restart_info'] = info
        if found:
            return True
        if command == '29':
            info['note'] = ('nothing starts the engine after this restart (no Run or RunOnce value, no Startup '
                            'entry names it); the working copy is gone, so the trial ends here')
            return False
        info['note'] = ('nothing starts the engine after this restart (no Run or RunOnce value, no Startup entry '
                        'names it): setuptry started it with -resume; on a real machine the run stops here until '
                        'someone does')
        self.notes.append('after the restart of command %s nothing on the machine starts the engine again; '
                          'write a RunOnce value that does before the restart' % command)
        return True

    def _working_copy(self):
        path = os.path.join(px.temp_folder(self.prefix), self.o.script_name)
        if not os.path.exists(path):
            return {'left': False}
        return {'left': True, 'CurrentCmd': read_ini_value(path, 'Commands', 'CurrentCmd'),
                'CurrentSection': read_ini_value(path, 'State', 'CurrentSection')}

    def _check_template(self, before, after):
        """A file the run wrote into in place may be a hard link to the
        template's: the template is made again next time."""
        tpl = os.path.join(self.o.template, 'drive_c')
        for rel, a in after.items():
            b = before.get(rel)
            if b and not a[0] and (b[1], b[2]) != (a[1], a[2]):
                t = os.path.join(tpl, rel)
                if os.path.exists(t) and os.stat(t).st_ino == a[3]:
                    px.spoil_template(self.o.template)
                    return

    def _status(self):
        if not self.phases or not self.phases[-1]['done']:
            return 'did not end'
        if self.phases[-1].get('bound'):
            return 'restart loop'
        if any(ph['counts']['error'] for ph in self.phases):
            return 'errors'
        return 'ok'
