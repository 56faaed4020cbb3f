"""Wine prefixes for trial runs: one template made once and kept, and a fresh
prefix per Windows family cloned from it in a fraction of a second.

A clone hard-links the template's large files (the DLLs and programs of
C:\\windows, which make up nearly all of its 1.3 GB) and copies everything
small, the registry files included. A run that writes into a hard-linked file
would change the template too; the trial notices that (the file's inode is the
template's) and has the template made again at the next start.
"""
import fcntl
import os
import shutil
import signal
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(ROOT, 'tools', 'wine-run')
WINESERVER = '/usr/lib/wine/wineserver'
LINK_FROM = 64 * 1024  # files this large are hard-linked, smaller ones copied
PROBE_FOLDER = 'setuptry-probe'
PROBE_SCRIPT = 'STPROBE.INI'  # no '-': the engine ends the script name at the first one

# Windows families: the name on the command line, Wine's version setting, the
# field of command 18 that names it (0 is "any other").
FAMILIES = [('95', 'win95', 1), ('98', 'win98', 2), ('nt4', 'nt40', 3), ('2000', 'win2k', 4), ('xp', 'winxp', 5)]

# The probe asks the engine itself which Windows it runs on, through command 18.
PROBE_TEXT = """[Data]
Logging=1
LogFile=C:\\%(folder)s\\probe.log
[CommandsList]
18,Other,Is95,Is98,IsNT4,Is2000,IsXP
[Other]
32,setuptry-detected other
[Is95]
32,setuptry-detected 95
[Is98]
32,setuptry-detected 98
[IsNT4]
32,setuptry-detected nt4
[Is2000]
32,setuptry-detected 2000
[IsXP]
32,setuptry-detected xp
""" % {'folder': PROBE_FOLDER}


def runs_natively():
    return subprocess.run([os.path.join(ROOT, 'tools', 'i386-runs-natively')]).returncode == 0


def wine_version():
    r = subprocess.run(['/usr/lib/wine/wine64', '--version'], capture_output=True, text=True)
    return (r.stdout.strip() or 'wine').replace(' ', '_').replace('/', '_')


def server_env(prefix):
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEDEBUG='-all')
    return env


def start_server(prefix):
    """A server that outlives the gaps between two starts of the engine
    (it ends by itself a minute after its last program, should we not end it)."""
    subprocess.run([WINESERVER, '-p60'], env=server_env(prefix), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _processes_of(prefix):
    """(server pid or None, other pids) of the processes started for this
    prefix: those whose environment names it (the server, Wine's services,
    the programs and tools/wine-run itself)."""
    mark = ('WINEPREFIX=' + prefix).encode()
    server, others = None, []
    for name in os.listdir('/proc'):
        if not name.isdigit() or int(name) == os.getpid():
            continue
        try:
            with open('/proc/%s/environ' % name, 'rb') as f:
                if mark not in f.read().split(b'\0'):
                    continue
            with open('/proc/%s/cmdline' % name, 'rb') as f:
                command = f.read().split(b'\0')[0]
        except OSError:
            continue
        if os.path.basename(command).startswith(b'wineserver'):
            server = int(name)
        else:
            others.append(int(name))
    return server, others


def stop_server(prefix):
    """Ends every process of the prefix, as a restart of Windows would, then
    the server, which writes the registry files as it ends. (The server's own
    shutdown, wineserver -k, takes most of a second to end the programs.)"""
    server, others = _processes_of(prefix)
    for pid in others:
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    if server:
        try:
            os.kill(server, signal.SIGTERM)
        except OSError:
            pass
    subprocess.run([WINESERVER, '-w'], env=server_env(prefix), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def run_program(prefix, program, args, timeout):
    """Runs a Windows program (by its Windows path) in the prefix through
    tools/wine-run, which also takes care of 32-bit code under qemu.
    Returns (exit code or None on timeout, wine-run's error output).
    The error output goes to a file, not a pipe: Wine's services, started by
    the first program, keep its handles and would hold a pipe open."""
    with tempfile.TemporaryFile() as err:
        try:
            r = subprocess.run([WINE_RUN, '--prefix', prefix, program] + list(args), stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=err, timeout=timeout)
            code = r.returncode
        except subprocess.TimeoutExpired:
            stop_server(prefix)
            code = None
        err.seek(0)
        text = err.read().decode('utf-8', 'replace')
    return code, text if code is not None else 'no end after %d s' % timeout


def windows_to_unix(prefix, path):
    """C:\\a\\b as a path in the prefix's drive; None for another drive."""
    if len(path) >= 2 and path[1] == ':' and path[0].lower() == 'c':
        rest = path[2:].replace('\\', '/').strip('/')
        return os.path.join(prefix, 'drive_c', rest) if rest else os.path.join(prefix, 'drive_c')
    return None


def temp_folder(prefix):
    users = os.path.join(prefix, 'drive_c', 'users')
    for name in [os.environ.get('USER') or '', 'root'] + sorted(os.listdir(users) if os.path.isdir(users) else []):
        p = os.path.join(users, name, 'Temp')
        if name and os.path.isdir(p):
            return p
    return os.path.join(users, 'root', 'Temp')


def put_probe(prefix, engine):
    folder = os.path.join(prefix, 'drive_c', PROBE_FOLDER)
    os.makedirs(folder, exist_ok=True)
    shutil.copy2(engine, os.path.join(folder, 'setupengine.exe'))
    with open(os.path.join(folder, PROBE_SCRIPT), 'w', newline='\r\n') as f:
        f.write(PROBE_TEXT)


def remove_probe(prefix):
    shutil.rmtree(os.path.join(prefix, 'drive_c', PROBE_FOLDER), ignore_errors=True)
    temp = temp_folder(prefix)
    if os.path.isdir(temp):
        for name in os.listdir(temp):
            if name.upper().startswith(PROBE_SCRIPT):
                os.remove(os.path.join(temp, name))


def probe(prefix, timeout):
    """The family the engine detects in this prefix ('95' ... 'xp', 'other'),
    or None when the probe did not run."""
    code, err = run_program(prefix, 'C:\\%s\\setupengine.exe' % PROBE_FOLDER, [PROBE_SCRIPT, '-silent', '-noreboot'],
                            timeout)
    log = os.path.join(prefix, 'drive_c', PROBE_FOLDER, 'probe.log')
    found = None
    if os.path.exists(log):
        with open(log, encoding='latin-1') as f:
            for line in f:
                if 'setuptry-detected ' in line:
                    found = line.split('setuptry-detected ', 1)[1].strip()
    return found, err


def template_path(cache):
    mode = 'native' if runs_natively() else 'qemu'
    return os.path.join(cache, 'template-%s-%s' % (mode, wine_version())), mode


def ensure_template(cache, engine, say):
    """The template prefix, made under a lock when missing or spoilt."""
    path, mode = template_path(cache)
    os.makedirs(cache, exist_ok=True)
    with open(path + '.making', 'w') as lock:  # not wine-run's own .lock
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(path + '.ready'):
            return path, mode
        say('setuptry: making the template Wine prefix %s (once, about a minute)' % path)
        start = time.time()
        shutil.rmtree(path, ignore_errors=True)
        run_program(path, 'cmd', ['/c', 'exit', '0'], 600)
        # A first start of the engine does what any first 32-bit start does in
        # a new prefix, so the trials do not show it.
        put_probe(path, engine)
        probe(path, 600)
        stop_server(path)
        remove_probe(path)
        open(path + '.ready', 'w').close()
        say('setuptry: template ready in %.0f s' % (time.time() - start))
        return path, mode


def spoil_template(template):
    try:
        os.remove(template + '.ready')
    except FileNotFoundError:
        pass


def clone(template, dest):
    """A new prefix at dest with the template's contents."""
    shutil.rmtree(dest, ignore_errors=True)
    for d, dirs, files in os.walk(template):
        rel = os.path.relpath(d, template)
        target = dest if rel == '.' else os.path.join(dest, rel)
        os.makedirs(target, exist_ok=True)
        for name in list(dirs):
            src = os.path.join(d, name)
            if os.path.islink(src):
                os.symlink(os.readlink(src), os.path.join(target, name))
                dirs.remove(name)
        for name in files:
            src = os.path.join(d, name)
            dst = os.path.join(target, name)
            if rel == '.' and name == 'wineserver':
                continue  # the server's own mark, made again by the server of the clone
            if os.path.islink(src):
                os.symlink(os.readlink(src), dst)
            elif os.path.getsize(src) >= LINK_FROM and rel.startswith('drive_c'):
                os.link(src, dst)
            else:
                shutil.copy2(src, dst)
