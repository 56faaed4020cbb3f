"""What a trial changed: drive C: and the registry before and after, compared."""
import os

from . import regtext

# Registry keys that Wine itself rewrites whenever a prefix starts (device
# classes, its own settings): not the script's doing.
WINE_CHURN = ('HKLM\\System\\CurrentControlSet\\Control\\Class\\', 'HKLM\\System\\CurrentControlSet\\Enum\\',
              'HKLM\\System\\CurrentControlSet\\Control\\DeviceClasses\\', 'HKCU\\Software\\Wine\\',
              'HKLM\\Software\\Wine\\', 'HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib\\')


def files(drive, skip):
    """{relative path: (is directory, size, mtime_ns, inode)} of drive_c,
    without the paths skip(relative path) names."""
    out = {}
    for d, dirs, names in os.walk(drive):
        rel_d = os.path.relpath(d, drive)
        for name in dirs + names:
            rel = name if rel_d == '.' else os.path.join(rel_d, name)
            if skip(rel):
                if name in dirs:
                    dirs.remove(name)
                continue
            p = os.path.join(d, name)
            st = os.lstat(p)
            out[rel] = (name in dirs and not os.path.islink(p), st.st_size, st.st_mtime_ns, st.st_ino)
    return out


def windows_path(rel, is_dir=False):
    """The path as the 32-bit engine names it, and whether Wine keeps it
    elsewhere: its system directory C:\\windows\\system32 is syswow64 in the
    64-bit prefix."""
    path = 'C:\\' + rel.replace('/', '\\') + ('\\' if is_dir else '')
    low = path.lower()
    if low.startswith('c:\\windows\\syswow64\\') or low == 'c:\\windows\\syswow64':
        return 'C:\\windows\\system32' + path[len('C:\\windows\\syswow64'):], True
    return path, False


def file_changes(before, after):
    """[{path, folder, change, size}] in path order."""
    out = []
    for rel in sorted(set(before) | set(after), key=lambda r: r.lower()):
        b, a = before.get(rel), after.get(rel)
        if b and a:
            if a[0] or (b[1], b[2]) == (a[1], a[2]):
                continue
            change = 'changed'
        else:
            change = 'created' if a else 'deleted'
        is_dir = (a or b)[0]
        path, wow = windows_path(rel, is_dir)
        folder = path.rstrip('\\').rsplit('\\', 1)[0] + '\\'
        item = {'path': path, 'folder': folder, 'change': change, 'dir': is_dir}
        if wow:
            item['view32'] = True
        if a and not is_dir:
            item['size'] = a[1]
        out.append(item)
    return out


def registry(prefix):
    """{(root, key): {name: raw}} of HKLM (system.reg) and HKCU (user.reg)."""
    out = {}
    for root, name in (('HKLM', 'system.reg'), ('HKCU', 'user.reg')):
        for key, values in regtext.parse(os.path.join(prefix, name)).items():
            out[(root, key)] = values
    return out


def _churn(view):
    low = view.lower() + '\\'
    return any(low.startswith(c.lower()) for c in WINE_CHURN)


def registry_changes(before, after):
    """{'keys': [{key, view32, change}], 'values': [{key, view32, name, change, type, before, after}]}.
    Only the topmost of the keys made or removed together is listed."""
    def views(reg):
        out = {}
        for root in ('HKLM', 'HKCU'):
            stored = [k for (r, k) in reg if r == root]
            for k in regtext.with_ancestors(stored):
                out[(root, k)] = regtext.script_view(root, k)
        return out
    vb, va = views(before), views(after)
    keys = []
    for change, here, there in (('created', va, vb), ('deleted', vb, va)):
        for rk in sorted(set(here) - set(there), key=lambda x: here[x][0].lower()):
            parent = (rk[0], rk[1].rsplit('\\', 1)[0]) if '\\' in rk[1] else None
            view, wow = here[rk]
            if (parent in here and parent not in there) or _churn(view):
                continue
            keys.append({'key': view, 'view32': wow, 'change': change})
    values = []
    for rk in sorted(set(before) | set(after), key=lambda x: regtext.script_view(*x)[0].lower()):
        view, wow = regtext.script_view(*rk)
        if _churn(view):
            continue
        b, a = before.get(rk, {}), after.get(rk, {})
        for name in sorted(set(b) | set(a), key=str.lower):
            if b.get(name) == a.get(name):
                continue
            change = 'changed' if name in a and name in b else ('created' if name in a else 'deleted')
            tb, db = regtext.decode(b.get(name))
            ta, da = regtext.decode(a.get(name))
            item = {'key': view, 'view32': wow, 'name': name, 'change': change, 'type': ta or tb}
            if name in b:
                item['before'] = db
            if name in a:
                item['after'] = da
            values.append(item)
    return {'keys': keys, 'values': values}


RUN_KEYS = ('Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce', 'Software\\Microsoft\\Windows\\CurrentVersion\\Run',
            'Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce',
            'Software\\Microsoft\\Windows\\CurrentVersion\\RunServices')


def arranged_starts(prefix, exe_name, startup_folders):
    """Where this machine would start the engine after a restart: Run and
    RunOnce values (both registry views) and Startup folder entries that name
    it. [(description, root, stored key, value name or None)]."""
    found = []
    reg = registry(prefix)
    for (root, key), values in sorted(reg.items()):
        wow = 'software\\wow6432node\\'
        plain = 'Software\\' + key[len(wow):] if key.lower().startswith(wow) else key
        if not any(plain.lower() == k.lower() for k in RUN_KEYS):
            continue
        for name, raw in values.items():
            kind, data = regtext.decode(raw)
            if exe_name.lower() in data.lower():
                view, _ = regtext.script_view(root, key)
                found.append(('%s [%s] = %s' % (view, name, data), root, key, name))
    for folder in startup_folders:
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            p = os.path.join(folder, name)
            try:
                with open(p, 'rb') as f:
                    data = f.read(1 << 20)
            except OSError:
                continue
            if exe_name.lower().encode() in data.lower() or exe_name.lower().encode('utf-16-le') in data.lower():
                found.append(('Startup entry %s' % name, None, p, None))
    return found
