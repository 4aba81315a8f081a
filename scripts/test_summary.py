#!/usr/bin/env python3
"""Sums up the CTest runs of scripts/test from their JUnit files.

    scripts/test_summary.py ALLOWED-SKIPS RESULTS-DIR BUILD...

For each BUILD, RESULTS-DIR holds BUILD.xml (ctest --output-junit) and BUILD.rc (ctest's exit
status), or BUILD.notrun: a build whose tests this machine cannot run (the file says why). Such a
build gets a line of its own saying so and counts neither as passed nor as failed. Prints each
build's counts, the failing and skipped tests, and the test programs that Wine ended before they
ran and that cmake/wine-test.sh therefore started again. Ends with the line "N passed, M failed,
K skipped", the sums of CTest's own counts, except that a skipped test counts as failed unless
ALLOWED-SKIPS lists it, and a run whose ctest failed without a failing test (a program that could
not be listed, no test selected) counts as one failure. Exits 1 if anything failed.
"""
import fnmatch
import os
import re
import sys
import xml.etree.ElementTree as ET

# How CTest marks a test that skipped itself (GTEST_SKIP, or the SKIP_RETURN_CODE of a script).
SKIP_MESSAGES = ("SKIP_REGULAR_EXPRESSION_MATCHED", "SKIP_RETURN_CODE")

# How cmake/wine-test.sh marks a program that Wine ended before it ran, and that was started again.
RESTARTED = "wine-test: started again:"


def read_allowed(path):
    """(build pattern, test name pattern) pairs; each line must give a reason."""
    allowed = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            parts = line.split(None, 2)
            if len(parts) < 3:
                sys.exit(f"{path}:{number}: needs BUILD TEST-NAME REASON")
            allowed.append((parts[0], parts[1]))
    return allowed


def is_allowed(allowed, build, name):
    return any(fnmatch.fnmatchcase(build, b) and fnmatch.fnmatchcase(name, t) for b, t in allowed)


def verdicts(log_path):
    """CTest's verdict on each failed test ("Failed", "Exception: SegFault", "Timeout"), from the
    run's console output: the JUnit file does not keep it."""
    found = {}
    if os.path.exists(log_path):
        with open(log_path, encoding="utf-8", errors="replace") as f:
            for line in f:
                m = re.search(r"Test +#\d+: (\S+) \.*\s*\*\*\*(.+?)\s+[\d.]+ sec", line)
                if m:
                    found[m.group(1)] = m.group(2)
    return found


def first_lines(case, verdict, limit=12):
    """The lines of a failed test's output that say why."""
    out = case.findtext("system-out") or ""
    keys = ("Failure", "FAILED", "FAIL ", "ERROR", "Error", "Sanitizer", "runtime error", "Expected", "Which is")
    if not out.strip():
        return [f"{verdict or 'failed'} after {float(case.get('time') or 0):.2f} s, with no output at all"]
    lines = [l for l in out.splitlines() if any(k in l for k in keys)]
    return (lines or out.splitlines()[-limit:])[:limit]


def skip_reason(case):
    """GoogleTest's "file:line: Skipped" line and the message after it, or a script's last line."""
    lines = (case.findtext("system-out") or "").strip().splitlines()
    for i, l in enumerate(lines):
        if l.endswith(": Skipped"):
            return lines[i : i + 2]
    return lines[-1:]


def main():
    allowed_path, results, builds = sys.argv[1], sys.argv[2], sys.argv[3:]
    allowed = read_allowed(allowed_path)
    total = {"passed": 0, "failed": 0, "skipped": 0}
    problems = []
    for build in builds:
        notrun_path = os.path.join(results, build + ".notrun")
        if os.path.exists(notrun_path):
            reason = open(notrun_path, encoding="utf-8").read().strip() or "no reason given"
            print(f"{build}: not run on this machine: {reason}")
            continue
        xml_path = os.path.join(results, build + ".xml")
        rc_path = os.path.join(results, build + ".rc")
        rc = int(open(rc_path).read().strip() or 1) if os.path.exists(rc_path) else 1
        passed = failed = skipped = 0
        failures, allowed_skips, restarts = [], [], []
        ctest = None
        if os.path.exists(xml_path):
            verdict = verdicts(os.path.join(results, build + ".log"))
            suite = ET.parse(xml_path).getroot()
            ctest = [int(suite.get(k, 0)) for k in ("tests", "failures", "skipped", "disabled")]
            for case in suite.iter("testcase"):
                name, status = case.get("name"), case.get("status")
                restarts += [(name, l) for l in (case.findtext("system-out") or "").splitlines() if l.startswith(RESTARTED)]
                skip = case.find("skipped")
                if status == "run":
                    passed += 1
                elif status == "disabled" or (skip is not None and skip.get("message", "").startswith(SKIP_MESSAGES)):
                    if is_allowed(allowed, build, name):
                        skipped += 1
                        allowed_skips.append(name)
                    else:
                        failed += 1
                        failures.append((name, ["skipped, and not in " + allowed_path] + skip_reason(case)))
                else:
                    failed += 1
                    if name.endswith(".no_test_listed"):
                        failures.append((name, ["the program listed no test: its filter selects none, or it did not run"]))
                    else:
                        failures.append((name, first_lines(case, verdict.get(name))))
        outside = 0
        if rc != 0 and not failures:
            # Failed outside any test (ctest: a program not built or not listed, nothing selected).
            outside = 1
            failed += 1
            failures.append((build, [f"exited with {rc}: see build/test-logs/{build}.log"]))
        line = f"{build}: {passed} passed, {failed} failed, {skipped} skipped"
        if ctest is not None:
            tests, ctest_failed, ctest_skipped, ctest_disabled = ctest
            line += f"  (ctest: {tests} tests, {ctest_failed} failed, {ctest_skipped + ctest_disabled} skipped)"
            if tests != passed + failed + skipped - outside:
                problems.append(f"{build}: the summary's counts do not add up to ctest's {tests} tests")
        print(line)
        for name, why in failures:
            print(f"  FAILED {name}")
            for l in why:
                print(f"      {l}")
        for name, line in restarts:
            print(f"  started again {name}: {line[len(RESTARTED):].strip()}")
        for name in allowed_skips:
            print(f"  skipped {name} (allowed)")
        total["passed"] += passed
        total["failed"] += failed
        total["skipped"] += skipped
    for p in problems:
        print(p)
    failed = total["failed"] + len(problems)
    print(f"{total['passed']} passed, {failed} failed, {total['skipped']} skipped")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
