#!/usr/bin/env python3
"""A fleet of install logs made from real ones, and setuplog's counts checked on it.

  fleet.py make DIR [--machines N] [--size-kb K] [--seed S]
  fleet.py check DIR SETUPLOG          (after make: compares setuplog's JSON, CSV and page)
  fleet.py test DIR SETUPLOG           (both)

The seeds are the four runs of tests/scenarios/fleet_seed: its expected.log is
what the shipped engine writes under Wine (the scenario suite compares them on
every run). Each machine's log is put together from those runs' own lines,
then varied with known results: a failure injected at a known command, a log
cut off inside a command, a run killed and resumed (its command repeated), a
restart that never came back, a run across midnight. Time stamps and paths
differ from machine to machine. --size-kb puts earlier whole installations in
front of each log until it has that size (for bench/setuplog_fleet.sh).
"""
import json
import os
import random
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SEED = os.path.join(ROOT, "tests", "scenarios", "fleet_seed")
COMMANDS = 12  # CMD0 to CMD11; CMD5 is the restart, CMD2 the copy that fails
CMD = re.compile(r"^\[TIME\]  setupengine\.exe> CMD(\d+)> ")
INJECTED = ["[TIME]  setupengine.exe> CMD15_CopyFile() -  Error=3, Path not found.   ",
            "function CopyFile() failed on src={DIR}\\data\\setup{N}.cab, dst={DIR}\\app\\setup{N}.cab"]
TAMPERED = "[TIME]  setupengine.exe> ERROR-=- <img src=x onerror=console.log(1)> &amp;"


def seed_runs():
    """The seed log as runs, each (head, {command: lines}, tail)."""
    lines = open(os.path.join(SEED, "expected.log")).read().splitlines()
    runs = []
    for i, line in enumerate(lines):
        if line.endswith("setupengine.exe>  ") and "*** Starting" in lines[i + 1]:
            runs.append(([], {}, []))
        head, blocks, tail = runs[-1]
        match = CMD.match(line)
        if tail or "No More commands" in line or "DelTSL" in line or "> DONE" in line:
            tail.append(line)
        elif match:
            blocks[int(match.group(1))] = [line]
        elif blocks:
            blocks[max(blocks)].append(line)
        else:
            head.append(line)
    return runs


def run_lines(run, first=None, cut=None):
    """A run's lines; from command first on (a resume), or cut inside command cut."""
    head, blocks, tail = run
    out = list(head)
    if first is not None and first >= 10:  # the resume goes on with the list it stopped in
        out = [l.replace("continuing with [CommandsList]", "continuing with [Finish]") for l in out]
    for n in sorted(blocks):
        if first is not None and n < first:
            continue
        if n == cut:
            return out + blocks[n][:2], False
        out += blocks[n]
    return out + tail, True


class Machine:
    def __init__(self, name):
        self.name = name
        self.lines = []
        self.ran, self.failed, self.restarted, self.cut, self.repeated = set(), set(), set(), set(), set()
        self.outcome, self.last, self.done_runs, self.runs = "finished", None, 0, 0
        self.copy_error = False


def build(runs, index, rng):
    """One machine: its lines with [TIME] and {DIR} still in them, and what setuplog must find."""
    r1, r2, r3, r4 = runs
    m = Machine("m%04d" % index)
    pattern, k = index % 10, (index // 10) % COMMANDS

    def add(lines, done=True, commands=()):
        m.lines += lines
        m.runs += 1
        m.done_runs += done
        m.ran.update(commands)

    if pattern == 4:  # the seed's own failing installation
        add(run_lines(r3)[0], commands=range(0, 6))
        add(run_lines(r4)[0], commands=range(6, COMMANDS))
        m.failed.add(2)
        m.copy_error = True
    elif pattern == 6:  # cut off inside command k, no end at all
        if k <= 5:
            add(run_lines(r1, cut=k)[0], done=False, commands=range(0, k + 1))
        else:
            add(run_lines(r1)[0], commands=range(0, 6))
            add(run_lines(r2, cut=k)[0], done=False, commands=range(6, k + 1))
        m.outcome, m.last = "cut off", k
        m.cut.add(k)
        # Half a line, as a power cut leaves it.
        m.lines[-1] = m.lines[-1][: len(m.lines[-1]) // 2]
    elif pattern == 7:  # killed inside command k, resumed: k runs again
        k = 6 + k % 6
        add(run_lines(r1)[0], commands=range(0, 6))
        add(run_lines(r2, cut=k)[0], done=False, commands=range(6, k + 1))
        add(run_lines(r2, first=k)[0], commands=range(k, COMMANDS))
        m.cut.add(k)
        m.repeated.add(k)
    elif pattern == 8:  # stopped for the restart, and never came back
        add(run_lines(r1)[0], commands=range(0, 6))
        m.outcome, m.last = "stopped for a restart", 5
    else:
        lines1, lines2 = run_lines(r1)[0], run_lines(r2)[0]
        if pattern == 5:  # a failure injected into command k
            target = lines1 if k <= 5 else lines2
            at = next(i for i, l in enumerate(target) if CMD.match(l) and int(CMD.match(l).group(1)) == k) + 1
            target[at:at] = [l.replace("{N}", str(index)) for l in INJECTED]
            m.failed.add(k)
            m.copy_error = True
        add(lines1, commands=range(0, 6))
        add(lines2, commands=range(6, COMMANDS))
    m.restarted.update({5} if m.runs > 1 or pattern == 8 else set())
    if m.last is None:
        m.last = 11
    return m


def stamp(lines, start_ms, rng):
    """Real time stamps: a few ms a line, the pause its 300 ms, a restart a minute."""
    now, out = start_ms, []
    for line in lines:
        if line.startswith("[TIME]"):
            now += rng.randint(2, 30) + (300 if "..sleeping  300" in line else 0)
            if line.endswith("setupengine.exe>  "):  # a run's first entry: the restart took a while
                now += rng.randint(30000, 90000)
            t = now % 86400000
            line = "[%02d:%02d:%02d.%03d]" % (t // 3600000, t // 60000 % 60, t // 1000 % 60, t % 1000) + line[6:]
        out.append(line)
    return out


def fill(lines, name):
    """The machine's own folders in place of the sandbox's."""
    d, tmp = "C:\\fleet\\" + name, "C:\\DOCUME~1\\%s\\LOCALS~1\\Temp\\" % name
    return [l.replace("{DIR}", d).replace("{TMP}", tmp) for l in lines]


def make(folder, machines, size_kb, seed):
    rng = random.Random(seed)
    runs = seed_runs()
    whole = run_lines(runs[0])[0] + run_lines(runs[1])[0]
    if os.path.exists(folder):
        shutil.rmtree(folder)
    expected = {"machines": {}}
    for index in range(machines):
        m = build(runs, index, rng)
        before = []
        while size_kb and sum(len(l) + 10 for l in before + m.lines) < size_kb * 1024:  # a stamp and a path longer
            before += whole
        start = 86399000 - 1500 if index % 10 == 9 else rng.randint(7, 17) * 3600000
        text = "\r\n".join(fill(stamp(before + m.lines, start, rng), m.name))
        os.makedirs(os.path.join(folder, m.name))
        end = "" if m.outcome == "cut off" else "\r\n"
        with open(os.path.join(folder, m.name, "install.log"), "w", newline="") as f:
            f.write(text + end)
        expected["machines"][m.name] = {k: sorted(v) if isinstance(v, set) else v for k, v in vars(m).items() if k != "lines"}
    extras(folder, runs, rng)
    with open(os.path.join(folder, "expected.json"), "w") as f:
        json.dump(expected, f)


def extras(folder, runs, rng):
    """Damage: a binary file, a line of 10 MB and a tail of zero bytes, a text that is markup."""
    os.makedirs(os.path.join(folder, "junk"))
    with open(os.path.join(folder, "junk", "binary.log"), "wb") as f:
        f.write(bytes(rng.randrange(256) for _ in range(5000)))
    with open(os.path.join(folder, "junk", "notes.txt"), "w") as f:
        f.write("not a log: not read\n")
    ok = run_lines(runs[0])[0] + run_lines(runs[1])[0]
    lines = stamp(ok[:60] + ["x" * (10 << 20)] + ok[60:], 36000000, rng)
    with open(os.path.join(folder, "junk", "damaged.log"), "wb") as f:
        f.write(("\r\n".join(fill(lines, "damaged")) + "\r\n").encode() + b"\0" * 4096)
    at = next(i for i, l in enumerate(ok) if CMD.match(l) and CMD.match(l).group(1) == "3") + 1
    with open(os.path.join(folder, "junk", "tampered.log"), "w", newline="") as f:
        f.write("\r\n".join(fill(stamp(ok[:at] + [TAMPERED] + ok[at:], 36000000, rng), "tampered")) + "\r\n")


def script_lines():
    """Line of each command in the seed script: [CommandsList] is CMD0 on, [Finish] follows."""
    numbers, section = [], None
    for i, line in enumerate(open(os.path.join(SEED, "SETUP.INI")).read().splitlines(), 1):
        line = line.strip()
        if line.startswith("["):
            section = line
        elif section in ("[CommandsList]", "[Finish]") and line and not line.startswith(";"):
            numbers.append(i)
    return numbers


def check(folder, setuplog):
    expected = json.load(open(os.path.join(folder, "expected.json")))["machines"].values()
    page = os.path.join(folder, "fleet.html")
    run = subprocess.run([setuplog, folder, "--json", "--script", os.path.join(SEED, "SETUP.INI"), "--html", page],
                         capture_output=True, text=True)
    got = json.loads(run.stdout)
    problems = []

    def same(what, have, want):
        if have != want:
            problems.append("%s: setuplog says %s, the fleet holds %s" % (what, have, want))

    same("exit code", run.returncode, 1)
    extra = 2  # damaged.log and tampered.log finish like any machine
    same("logs", got["logs"], len(expected) + extra)
    same("skipped", got["skipped"], 1)
    same("runs", got["runs"], sum(m["runs"] for m in expected) + 2 * extra)
    for outcome in ("finished", "stopped for a restart", "cut off"):
        same(outcome, got["outcomes"][outcome], sum(m["outcome"] == outcome for m in expected) + (outcome == "finished") * extra)
    commands = {c["number"]: c for c in got["commands"]}
    same("commands", sorted(commands), list(range(COMMANDS)))
    lines = script_lines()
    for n, c in commands.items():
        for field, key in (("ran", "ran"), ("failed", "failed"), ("stopped_restart", "restarted"),
                           ("stopped_cut", "cut"), ("repeated", "repeated")):
            want = sum(n in m[key] for m in expected)
            want += extra * (field == "ran") + (field == "stopped_restart" and n == 5) * extra + (field == "failed" and n == 3)
            same("CMD%d %s" % (n, field), c[field], want)
        same("CMD%d script line" % n, c["script_line"], lines[n])
    groups = {g["last_command"]["number"]: g["machines"] for g in got["unfinished"]}
    want = {}
    for m in expected:
        if m["outcome"] != "finished":
            want[m["last"]] = want.get(m["last"], 0) + 1
    same("unfinished groups", groups, want)
    errors = [t for t in got["texts"] if t["severity"] == "error"]
    same("error texts", [t["machines"] for t in errors], [sum(m["copy_error"] for m in expected), 1])
    missing = [t for t in got["texts"] if "Cannot find" in t["text"]]
    deleted = sum(7 in m["ran"] and (m["outcome"], m["last"]) != ("cut off", 7) for m in expected) + extra
    same("one warning text for every missing old.txt", [t["machines"] for t in missing], [deleted])
    same("runs that reached DONE", got["run_times"]["runs"], sum(m["done_runs"] for m in expected) + 2 * extra)
    if not 0 < got["run_times"]["max_ms"] < 600000:
        problems.append("a run across midnight took %d ms" % got["run_times"]["max_ms"])
    notes = " ".join(n["text"] for n in got["notes"])
    for part in ("10485761 bytes long", "zero bytes", "no line end", "skipped: not a text log"):
        if part not in notes:
            problems.append("no note says " + part)
    check_one(folder, setuplog, problems)
    check_csv(folder, setuplog, len(expected) + extra, problems)
    check_page(page, commands, problems)
    for p in problems:
        print("fleet.py:", p)
    return 1 if problems else 0


def check_one(folder, setuplog, problems):
    """A machine whose run was killed in CMD9 and resumed: three runs, CMD9 repeated."""
    one = json.loads(subprocess.run([setuplog, os.path.join(folder, "m0037", "install.log"), "--json"],
                                    capture_output=True, text=True).stdout)["machine"]
    runs = [(r["end"], r["resumed"], r["repeated"]) for r in one["runs"]]
    if runs != [("stopped for a restart", False, 0), ("cut off", True, 0), ("done", True, 1)]:
        problems.append("m0037 runs: %s" % runs)


def check_csv(folder, setuplog, count, problems):
    rows = subprocess.run([setuplog, folder, "--csv"], capture_output=True, text=True).stdout.splitlines()
    if len(rows) != count + 1 or any(r.count(",") < 12 for r in rows):
        problems.append("CSV: %d rows for %d machines" % (len(rows) - 1, count))


def check_page(page, commands, problems):
    browser = subprocess.run([os.path.join(ROOT, "tools", "browser-check"), page], capture_output=True, text=True)
    if browser.returncode != 0:
        problems.append("browser-check: " + browser.stderr.strip())
        return
    dom = browser.stdout
    table = dom[dom.find('<table id="commands">'):]
    table = table[: table.find("</table>")]
    if table.count("<tr>") != len(commands) + 1 or dom.count("<svg") < len(commands) + 2:
        problems.append("the page's commands table or charts are not all there")
    if "<img" in dom:
        problems.append("a text of a log became markup in the page")


def main(argv):
    if len(argv) < 3 or argv[1] not in ("make", "check", "test"):
        print(__doc__, file=sys.stderr)
        return 2
    folder, opts = argv[2], argv[3:]
    if argv[1] in ("make", "test"):
        get = lambda name, default: int(opts[opts.index(name) + 1]) if name in opts else default
        make(folder, get("--machines", 300), get("--size-kb", 0), get("--seed", 25))
    return check(folder, argv[3]) if argv[1] in ("check", "test") else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
