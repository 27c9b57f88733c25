#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# mutate.sh [options] [SOURCE_DIR [BUILD_DIR]]: measures how many small faults
# the fast tests catch. Picks N sites at random (fixed seed, so the same tree
# and seed give the same mutants) in every folder but src/audio, changes one operator,
# constant or returned bool per mutant in place, rebuilds the programs the fast
# tests run and runs those tests until one fails. Prints each survivor and
#   mutants: N  compiled: C  killed: K  survived: S  kill share: K/C = X%
#
#   -n N          mutants (default 40)
#   -s SEED       seed (default 1)
#   -x REGEX      tests to leave out, matched (Python syntax) against a test's
#                 name and its command line with the tree prefixes removed;
#                 default: real servers, window manager, accessibility bus,
#                 packaging and metadata validators, the test-name check
#   -t SECONDS    a test may take 3 times its unchanged time plus SECONDS
#                 (default 60) before it counts as hung, which kills the mutant
#   -j JOBS       tests run at once (default 2)
#   -l            only list the chosen mutants
#
# Defaults: SOURCE_DIR is this tree, BUILD_DIR is SOURCE_DIR/build/mut
# (configured here if new: no debug info, tests listed when ctest runs, which
# makes each rebuild cheaper). Each run first builds everything and runs the
# fast tests on the unchanged tree: they must all pass. Logs go to
# BUILD_DIR/mutate/. Each source file is restored on exit, Ctrl-C or error;
# the build dir may then hold the last mutant until the next build.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

count=40 seed=1 jobs=2 limit_s=60 list_only=0
exclude='[Pp]ulse|PipeWire|[Pp]ipewire|NoServer|ServerTest|Fault|_fault|Hostile|[Xx]vfb|[Oo]penbox|wmctrl|WindowManager|window_manager|at-spi|[Aa]t[Ss]pi|dbus|a11y_bus|AccessibilityBus|[Pp]ackage|lintian|cpack|appstreamcli|desktop-file-validate|metainfo|desktop_entry|test_names'
while getopts "n:s:x:t:j:lh" opt; do
    case $opt in
        n) count=$OPTARG ;;
        s) seed=$OPTARG ;;
        x) exclude=$OPTARG ;;
        t) limit_s=$OPTARG ;;
        j) jobs=$OPTARG ;;
        l) list_only=1 ;;
        h) sed -n '3,26p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
src=$(cd "${1:-$here/..}" && pwd)
build=${2:-$src/build/mut}
mkdir -p "$build"
build=$(cd "$build" && pwd)
state=$build/mutate
helper=$(mktemp /tmp/quaverly-mutate.XXXXXX.py)

active_file=
restore() {
    if [ -n "$active_file" ]; then
        # A plain copy gives the file a new time, so the next build drops the mutant.
        cp "$state/original" "$src/$active_file"
        active_file=
    fi
}
cleanup() {
    restore
    rm -f "$helper"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

cat >"$helper" <<'PY'
import json, os, random, re, signal, subprocess, sys, time

# Everything but the audio layer, whose faults only the real-server tests catch.
FOLDERS = ["src/analysis", "src/music", "src/tuner", "src/display", "src/widgets", "src/app", "src/cli"]
TOKEN = re.compile(r"""
    (?P<id>[A-Za-z_]\w*)
  | (?P<num>\.?\d(?:[eEpP][+-]|[\w.'])*)
  | (?P<op><<=|>>=|<=>|->\*|->|<<|>>|\+\+|--|&&|\|\||==|!=|<=|>=|\+=|-=|\*=|/=|%=|&=|\|=|\^=|::
         |[<>+\-*/%&|^=!~?:,;()\[\]{}.])
""", re.X)
SWAP = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
        "+": "-", "-": "+", "*": "/", "/": "*", "&&": "||", "||": "&&",
        "+=": "-=", "-=": "+=", "*=": "/=", "/=": "*="}
# These are types, references or pointers as often as operators: only with a
# blank on each side (the house style for binary operators) are they mutated.
SPACED = {"<", ">", "<=", ">=", "+", "-", "*", "/", "&&", "||"}


def mask(text):
    """The text with comments and string/char literals blanked, columns kept."""
    out = list(text)
    i, n = 0, len(text)
    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "
    while i < n:
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j); i = j; continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j); i = j; continue
        raw = re.match(r'R"([^()\\\s]{0,16})\(', text[i:i + 20])
        if raw and (i == 0 or not (text[i - 1].isalnum() and text[i - 1] not in "uUL8")):
            end = text.find(")" + raw.group(1) + '"', i)
            j = n if end < 0 else end + len(raw.group(1)) + 2
            blank(i, j); i = j; continue
        c = text[i]
        if c == "'" and 0 < i < n - 1 and text[i - 1].isdigit() and text[i + 1].isalnum():
            i += 1; continue  # digit separator
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            blank(i, j); i = j; continue
        i += 1
    return "".join(out)


def template_spans(line):
    """Column ranges of template argument lists (std::vector<float>, static_cast<...>)."""
    spans = []
    for start, ch in enumerate(line):
        if ch != "<" or start == 0 or line[start - 1] == "<" or line.startswith("<<", start) \
                or line.startswith("<=", start):
            continue
        if not (line[start - 1].isalnum() or line[start - 1] == "_"
                or line[:start].rstrip().endswith("template")):
            continue
        depth, k = 0, start
        while k < len(line):
            ch = line[k]
            if ch == "<":
                depth += 1
            elif ch == ">" and line[k - 1] != "-":
                depth -= 1
                if depth == 0:
                    spans.append((start, k + 1))
                    break
            elif ch in ";{}" or line.startswith("&&", k) or line.startswith("||", k):
                break
            k += 1
    return spans


def number_mutant(tok):
    if "'" in tok:
        return None
    m = re.fullmatch(r"0[xX]([0-9a-fA-F]+)([uUlL]*)", tok)
    if m:
        v = int(m.group(1), 16)
        v = 1 if v == 0 else 0 if v == 1 else v + 1
        digits = format(v, "X" if m.group(1).isupper() else "x").rjust(len(m.group(1)), "0")
        return tok[:2] + digits + m.group(2)
    m = re.fullmatch(r"(\d+)([uUlL]*)", tok)
    if m:
        if len(m.group(1)) > 1 and m.group(1).startswith("0"):
            return None  # octal
        v = int(m.group(1))
        return str(1 if v == 0 else 0 if v == 1 else v + 1) + m.group(2)
    m = re.fullmatch(r"(\d*\.\d*(?:[eE][+-]?\d+)?|\d+[eE][+-]?\d+)([fFlL]?)", tok)
    if m:
        v = float(m.group(1))
        v = 1.0 if v == 0 else 0.0 if v == 1 else v + 1
        text = repr(v)
        if "e" in text and "." not in text.split("e")[0]:
            text = text.replace("e", ".0e")
        return text + m.group(2)
    return None


def sites_in(path, rel):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    plain = text.split("\n")
    found = []
    continued = False
    for number, line in enumerate(mask(text).split("\n"), 1):
        directive = continued or line.lstrip().startswith("#")
        continued = directive and line.rstrip().endswith("\\")
        if directive or not line.strip():
            continue
        covered = template_spans(line)
        for m in re.finditer(r"operator\s*(?:==|!=|<=|>=|<|>|\+|-|\*|/|\(\))", line):
            covered.append(m.span())
        pure = re.search(r"\)\s*(?:const\s*)?(?:override\s*)?=\s*0\s*;", line)
        if pure:
            covered.append(pure.span())
        inside = lambda col: any(a <= col < b for a, b in covered)
        tokens = [(m.lastgroup, m.group(), m.start()) for m in TOKEN.finditer(line)]
        for i, (kind, tok, col) in enumerate(tokens):
            if inside(col):
                continue
            repl = None
            if kind == "num":
                repl = number_mutant(tok)
            elif kind == "id" and tok in ("true", "false") and i > 0 and tokens[i - 1][1] == "return":
                repl = "false" if tok == "true" else "true"
            elif kind == "op" and tok in SWAP:
                before = line[col - 1] if col > 0 else " "
                after = line[col + len(tok)] if col + len(tok) < len(line) else " "
                text = plain[number - 1]
                beside = text[:col].rstrip()[-1:] + text[col + len(tok):].lstrip()[:1]
                if tok in ("+", "-") and '"' in beside:
                    pass  # joins strings: a swap would not compile
                elif tok not in SPACED or (before.isspace() and after.isspace()):
                    repl = SWAP[tok]
                elif tok == "-" and after not in " =" and (i == 0 or tokens[i - 1][1] in
                        ("(", ",", "=", "[", "{", "?", ":", "return", "case", "<", ">", "<=", ">=",
                         "==", "!=", "+", "-", "*", "/", "&&", "||")):
                    repl = "+"  # unary minus
            if repl is not None:
                mutated = plain[number - 1][:col] + repl + plain[number - 1][col + len(tok):]
                found.append((rel, number, col, tok, repl, plain[number - 1].strip(), mutated.strip()))
    return found


def cmd_sites(src, count, seed, out):
    files = []
    for folder in FOLDERS:
        top = os.path.join(src, folder)
        for root, _, names in os.walk(top):
            files += [os.path.relpath(os.path.join(root, n), src) for n in names
                      if n.endswith((".cpp", ".h"))]
    sites = []
    for rel in sorted(files):
        sites += sites_in(os.path.join(src, rel), rel)
    chosen = random.Random(int(seed)).sample(sites, min(int(count), len(sites)))
    # Sources before headers, which rebuild many files: a run cut short has
    # still covered most mutants.
    chosen.sort(key=lambda s: (s[0].endswith(".h"), s[0], s[1], s[2]))
    with open(out, "w") as f:
        for s in chosen:
            f.write("\t".join(map(str, s)) + "\n")
    print(f"{len(sites)} sites in {len(files)} files, {len(chosen)} chosen", file=sys.stderr)


def cmd_apply(path, line, col, orig, repl):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    text, line, col = lines[int(line) - 1], int(line), int(col)
    if text[col:col + len(orig)] != orig:
        sys.exit(f"mutate: {path}:{line} no longer holds '{orig}' at column {col + 1}")
    lines[line - 1] = text[:col] + repl + text[col + len(orig):]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))


def cmd_tests(src, build, exclude, limit, out):
    info = json.loads(subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                                     check=True, capture_output=True, text=True).stdout)
    pattern = re.compile(exclude)
    prefixes = sorted({os.path.realpath(build), os.path.abspath(build),
                       os.path.realpath(src), os.path.abspath(src)}, key=len, reverse=True)
    def shown(arg):
        for p in prefixes:
            arg = arg.replace(p + "/", "")
        return arg
    chosen, targets, left = [], [], 0
    groups = {}
    for t in info["tests"]:
        props = {p["name"]: p["value"] for p in t.get("properties", [])}
        if "command" not in t or props.get("DISABLED"):
            continue
        if pattern.search(t["name"] + " " + " ".join(map(shown, t["command"]))):
            left += 1
            continue
        env = dict(e.split("=", 1) for e in props.get("ENVIRONMENT", []))
        own = props.get("TIMEOUT")
        test = {"name": t["name"].split("  # ")[0], "command": t["command"],
                "cwd": props.get("WORKING_DIRECTORY", build), "env": env,
                "timeout": min(float(own), limit) if own else limit,
                "will_fail": bool(props.get("WILL_FAIL")),
                "pass_re": props.get("PASS_REGULAR_EXPRESSION", []),
                "fail_re": props.get("FAIL_REGULAR_EXPRESSION", []),
                "skip_re": props.get("SKIP_REGULAR_EXPRESSION", []),
                "skip_rc": props.get("SKIP_RETURN_CODE")}
        # One process per GoogleTest program instead of one per case: starting
        # a Qt program hundreds of times would cost more than the tests.
        filters = [a for a in t["command"][1:] if a.startswith("--gtest_filter=")]
        plain = not (test["will_fail"] or test["pass_re"] or test["fail_re"])
        if len(filters) == 1 and plain and not any(c in filters[0][15:] for c in ":-*?"):
            rest = tuple(a for a in t["command"][1:] if a != filters[0])
            key = (t["command"][0], rest, test["cwd"], tuple(sorted(env.items())))
            if key in groups:
                group = groups[key]
                group["cases"].append(filters[0][15:])
                group["timeout"] += test["timeout"]
                continue
            test["cases"] = [filters[0][15:]]
            test["rest"] = list(rest)
            # A skipped case would mark the whole run as skipped; the exit code says it all.
            test["skip_re"], test["skip_rc"] = [], None
            groups[key] = test
        test["index"] = len(chosen)
        chosen.append(test)
        program = os.path.realpath(t["command"][0])
        if program.startswith(os.path.realpath(build) + "/"):
            rel = os.path.relpath(program, os.path.realpath(build))
            if rel not in targets:
                targets.append(rel)
    for test in chosen:
        if "cases" in test:
            shown_env = " ".join(f"{k}={v}" for k, v in test["env"].items() if k != "QT_QPA_PLATFORM")
            test["name"] = f"{os.path.basename(test['command'][0])} {shown_env}".strip()
            test["command"] = [test["command"][0], "--gtest_filter=" + ":".join(test["cases"]),
                               "--gtest_fail_fast"] + test["rest"]
    with open(out, "w") as f:
        json.dump(chosen, f)
    cases = sum(len(t.get("cases", [0])) for t in chosen)
    print(f"{cases} fast tests in {len(chosen)} runs of {len(targets)} programs, {left} left out",
          file=sys.stderr)
    print("\n".join(targets))


def verdict(test, proc_rc, output):
    if test["skip_rc"] is not None and proc_rc == int(test["skip_rc"]):
        return True
    if any(re.search(r, output) for r in test["skip_re"]):
        return True
    if test["pass_re"]:
        ok = any(re.search(r, output) for r in test["pass_re"])
    else:
        ok = proc_rc == 0
    if any(re.search(r, output) for r in test["fail_re"]):
        ok = False
    return ok != test["will_fail"]


def cmd_run(state, jobs, baseline, folder, limit):
    with open(os.path.join(state, "tests.json")) as f:
        tests = json.load(f)
    times_path = os.path.join(state, "times.json")
    times = {}
    if not baseline:
        with open(times_path) as f:
            times = json.load(f)
        # Tests of the mutated folder first, then the quickest: the first failure ends the run.
        near = lambda t: 0 if f"/tests/{folder}/" in t["command"][0] else 1
        tests.sort(key=lambda t: (near(t), times.get(t["name"], 0)))
        # A run far over its time on the unchanged tree counts as hung.
        for t in tests:
            t["timeout"] = min(t["timeout"], 3 * times.get(t["name"], 0) + limit)
    pending, running, failed = list(tests), [], []
    logdir = os.path.join(state, "log")
    os.makedirs(logdir, exist_ok=True)
    try:
        while (pending or running) and not (failed and not baseline):
            while pending and len(running) < jobs:
                t = pending.pop(0)
                log = open(os.path.join(logdir, f"test-{t['index']}.txt"), "w+", errors="replace")
                env = dict(os.environ, **t["env"])
                p = subprocess.Popen(t["command"], cwd=t["cwd"], env=env, stdout=log,
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                     start_new_session=True)
                running.append((t, p, log, time.monotonic()))
            time.sleep(0.05)
            for item in list(running):
                t, p, log, started = item
                spent = time.monotonic() - started
                rc = p.poll()
                if rc is None and spent <= t["timeout"]:
                    continue
                if rc is None:
                    os.killpg(p.pid, signal.SIGKILL)
                    p.wait()
                    ok, why = False, f"over {t['timeout']:.0f} s"
                else:
                    log.seek(0)
                    ok, why = verdict(t, rc, log.read()), f"exit {rc}"
                log.close()
                running.remove(item)
                times[t["name"]] = round(spent, 2)
                if not ok:
                    failed.append(f"{t['name']} ({why})")
    finally:
        for t, p, log, _ in running:
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            p.wait()
    if baseline:
        with open(times_path, "w") as f:
            json.dump(times, f)
        if failed:
            print("mutate: the unchanged tree fails these fast tests (fix them or leave them out with -x):",
                  *failed, sep="\n  ", file=sys.stderr)
            sys.exit(1)
        print(f"the unchanged tree passes them in {sum(times.values()):.0f} s of test time:",
              ", ".join(f"{k} {v:.0f} s" for k, v in times.items()), file=sys.stderr)
        return
    print(f"killed by {failed[0]}" if failed else "survived")
    sys.exit(0 if failed else 1)


if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "sites":
        cmd_sites(*args)
    elif cmd == "apply":
        cmd_apply(*args)
    elif cmd == "tests":
        cmd_tests(args[0], args[1], args[2], float(args[3]), args[4])
    elif cmd == "run":
        cmd_run(args[0], int(args[1]), args[2] == "baseline", args[3], float(args[4]))
PY

rm -rf "$state/log"
mkdir -p "$state/log"
python3 "$helper" sites "$src" "$count" "$seed" "$state/sites.tsv"
if [ "$list_only" -eq 1 ]; then
    awk -F'\t' '{ printf "%s:%s: %s -> %s\n", $1, $2, $6, $7 }' "$state/sites.tsv"
    exit 0
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DQUAVERLY_UNITY_BUILD=OFF \
        -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST \
        -DQUAVERLY_BUILD_BENCH=OFF >"$state/log/configure.txt"
fi
echo "mutate: building everything once" >&2
cmake --build "$build" >"$state/log/build.txt" 2>&1 ||
    { tail -n 30 "$state/log/build.txt" >&2; echo "mutate: the unchanged tree does not build" >&2; exit 1; }
python3 "$helper" tests "$src" "$build" "$exclude" "$limit_s" "$state/tests.json" >"$state/targets.txt"
mapfile -t targets <"$state/targets.txt"
[ ${#targets[@]} -gt 0 ] || { echo "mutate: no fast tests left to run" >&2; exit 1; }
python3 "$helper" run "$state" "$jobs" baseline - "$limit_s"

compiled=0 killed=0 total=0
survivors=()
: >"$state/results.tsv"
while IFS=$'\t' read -r -u 3 file line col orig repl before after; do
    total=$((total + 1))
    where="$file:$line: $before -> $after"
    cp "$src/$file" "$state/original"
    active_file=$file
    python3 "$helper" apply "$src/$file" "$line" "$col" "$orig" "$repl"
    started=$SECONDS
    if cmake --build "$build" --target "${targets[@]}" >"$state/log/mutant-$total-build.txt" 2>&1; then
        compiled=$((compiled + 1))
        folder=$(basename "$(dirname "$file")")
        if outcome=$(python3 "$helper" run "$state" "$jobs" mutant "$folder" "$limit_s"); then
            killed=$((killed + 1))
        else
            survivors+=("$where")
        fi
    else
        outcome="does not compile"
    fi
    restore
    printf '%s\t%s\n' "$where" "$outcome" >>"$state/results.tsv"
    printf '[%d] %s  %s (%d s)\n' "$total" "$where" "$outcome" $((SECONDS - started))
done 3<"$state/sites.tsv"

echo
echo "survivors:"
for s in "${survivors[@]}"; do
    echo "  $s"
done
survived=${#survivors[@]}
share=$(awk -v k="$killed" -v c="$compiled" 'BEGIN { printf "%.1f", c ? 100 * k / c : 0 }')
echo "mutants: $total  compiled: $compiled  killed: $killed  survived: $survived  kill share: $killed/$compiled = $share%"
