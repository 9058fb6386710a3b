"""The figures as Markdown: each with its median, 99th percentile and spread, the
floor's beside it, the goal, and whether the goal is met."""

import math
import statistics


def percentile(values, p):
    """Nearest rank."""
    ordered = sorted(values)
    return ordered[max(0, math.ceil(p / 100 * len(ordered)) - 1)]


def spread(values):
    return (f"IQR {percentile(values, 75) - percentile(values, 25):.3f}; "
            f"{min(values):.3f} to {max(values):.3f}")


def met(ok):
    return "yes" if ok else "**no**"


def under_ten(aside, seen):
    """How many step-asides were seen under 10 ms, and how many of those a late sighting
    of the move aside explains: seen later than usual by more than the shortfall."""
    usual = statistics.median(seen)
    under = [(a, s) for a, s in zip(aside, seen) if a < 10]
    late = sum(s - usual >= 10 - a for a, s in under)
    return (f"{len(under)} seen under 10 ms" +
            (f", {late} of them with the move aside seen late by more than the shortfall"
             if under else ""))


def latency_rows(quorvex, floor):
    rows = []
    goals = {"code-to-click": (0.5, 2.0), "code-to-cursor-back": None,
             "click-to-code": (0.5, None)}
    for name, goal in goals.items():
        q, missed = quorvex[name]
        f, floor_missed = floor[name]
        ratio = statistics.median(q) / statistics.median(f)
        row = (f"| {name} ({len(q)} codes, {missed} missed) | {statistics.median(q):.3f} "
               f"| {percentile(q, 99):.3f} | {spread(q)} | {statistics.median(f):.3f} | "
               f"{percentile(f, 99):.3f} | {spread(f)} ({floor_missed} missed) | {ratio:.2f} | ")
        if goal is None:  # published beside its floor, with no goal of its own
            rows.append(row + "- | - |")
            continue
        median_goal, p99_goal = goal
        text = f"median < {median_goal} ms" + (f", p99 < {p99_goal} ms" if p99_goal else "")
        ok = statistics.median(q) < median_goal and (not p99_goal or
                                                      percentile(q, 99) < p99_goal)
        rows.append(row + f"{text}; ratio <= 1.25 | {met(ok)}; {met(ratio <= 1.25)} |")
    aside, missed = quorvex["step-aside"]
    ok = 10 <= statistics.median(aside) <= 11 and min(aside) >= 10
    rows.append(f"| step-aside ({len(aside)} codes, {missed} missed; "
                f"{under_ten(aside, quorvex['aside-seen'][0])}) | "
                f"{statistics.median(aside):.3f} | {percentile(aside, 99):.3f} | {spread(aside)} "
                f"| - | - | - | - | median 10 to 11 ms, never under 10 ms | {met(ok)} |")
    return rows


def follow_rows(follow):
    q, q_missed, q_cpu = follow["quorvex"]
    f, f_missed, f_cpu = follow["floor"]
    ratio = statistics.median(q) / statistics.median(f)
    cpu_ratio = q_cpu / f_cpu if f_cpu else math.inf
    return [
        "## Following the application's window (WINDOW)",
        "",
        "The probe maps a titled window and drags it: 60 moves a second, each to a new "
        "place. follow: from the move, flushed to the server, which makes that window's "
        "ConfigureNotify as it takes it, to the follower's ConfigureNotify at the same place "
        "moved by frmMain's offset, as the probe receives it; a move not followed within "
        "100 ms is missed. The follow floor is bench/linux/follow_floor.c: one "
        "InputOnly window moved in answer to the window's ConfigureNotify, taking the place "
        "from the event. Quorvex takes it from the event too (under a window manager, the "
        "frame's, plus where the client area lies within it, asked once), moves two "
        "overlays, watches its line, and looks at the stacking once the drag stops. "
        "The two take turns on the same window, ten short turns each; CPU time is the "
        "follower's own over the drag.",
        "",
        "| Figure | Quorvex | Floor | Ratio | Goal | Met |",
        "|---|---|---|---|---|---|",
        f"| follow, median ms ({len(q)} moves, {q_missed} missed; floor {len(f)}, "
        f"{f_missed} missed) | {statistics.median(q):.3f} | {statistics.median(f):.3f} | "
        f"{ratio:.2f} | ratio <= 1.25 | {met(ratio <= 1.25)} |",
        f"| follow, p99 ms | {percentile(q, 99):.3f} | {percentile(f, 99):.3f} | "
        f"{percentile(q, 99) / percentile(f, 99):.2f} | at most 100 ms | "
        f"{met(percentile(q, 99) <= 100 and not q_missed)} |",
        f"| CPU time over the drag | {q_cpu / 1e6:.1f} ms | {f_cpu / 1e6:.1f} ms | "
        f"{cpu_ratio:.2f} | ratio <= 1.5 | {met(cpu_ratio <= 1.5)} |",
        "",
    ]


def wine_rows(wine, linux):
    rows = ["## Wine figures (build/windows/quorvex.exe under Wine, same X server and probe)",
            "",
            "code-to-click has no Wine figure: the clicks of a program under Wine are delivered "
            "inside Wine and never reach the probe's X window. The Wine floor is "
            "bench/win32/floor.c under the same Wine: one window whose click is answered by "
            "\"101\" on the port, and which steps aside for \"10\", clicks and comes back "
            "10 ms later, measured after Quorvex.",
            "",
            "| Figure | Median | p99 | Spread | Wine floor median | Ratio of medians | "
            "Linux program's median | Goal | Met |",
            "|---|---|---|---|---|---|---|---|---|"]
    for name, goal, ok in (
            ("click-to-code", "median < 0.5 ms", lambda v: statistics.median(v) < 0.5),
            ("step-aside", "median 10 to 11 ms, never under 10 ms",
             lambda v: 10 <= statistics.median(v) <= 11 and min(v) >= 10)):
        values, missed = wine[name]
        under = f"; {under_ten(values, wine['aside-seen'][0])}" if name == "step-aside" else ""
        floor = wine.get("floor-" + name)
        beside = (f"{statistics.median(floor[0]):.3f} ({floor[1]} missed) | "
                  f"{statistics.median(values) / statistics.median(floor[0]):.2f}"
                  if floor else "- | -")
        rows.append(f"| Wine {name} ({len(values)} codes, {missed} missed{under}) | "
                    f"{statistics.median(values):.3f} | {percentile(values, 99):.3f} | "
                    f"{spread(values)} | {beside} | {statistics.median(linux[name][0]):.3f} | "
                    f"{goal} | {met(ok(values))} |")
    return rows + [""]


def core_rows(core):
    """Google Benchmark's own figures: time per iteration, and throughput where given."""
    rows = []
    for run in core.get("benchmarks", []):
        rate = next((f"{run[k] / 1e6:.1f} M{unit}/s" for k, unit in
                     (("items_per_second", "items"), ("bytes_per_second", "B"))
                     if k in run), "")
        rows.append(f"| {run['name']} | {run['real_time']:.1f} {run['time_unit']} | {rate} |")
    return rows


def line_rate_rows(rate):
    kinds = (("20", "presses"), ("40", "maps"), ("50", "unmaps"))
    rows = [f"| \"{code}\" | {int(rate['sent' + code])} | {int(rate[seen])} |"
            for code, seen in kinds]
    ok = all(rate["sent" + code] == rate[seen] for code, seen in kinds) and not rate["unasked"]
    return rows, ok


def write_report(path, machine, options, results, sizes, core=None):
    quorvex, floor = results["quorvex"], results["floor"]
    (quorvex_cpu, quorvex_wakeups), (floor_cpu, floor_wakeups) = results["idle"]
    rate = quorvex["line-rate"]
    rate_rows, rate_ok = line_rate_rows(rate)
    rss_ratio = quorvex["peak-rss"] / floor["peak-rss"]
    start_q, start_q_missed = results["start-up"]["quorvex"]
    start_f, _ = results["start-up"]["floor"]
    lines = [
        "# End-to-end figures of the Linux program",
        "",
        "Written by `make bench` (bench/linux/figures.py); do not edit by hand.",
        "",
        f"Machine: {machine['cpu']}, {machine['cores']} cores, Linux {machine['kernel']}; "
        f"Xvfb, a pseudo-terminal as the line; Python {machine['python']}; {machine['date']}.",
        "",
        "The floor is bench/linux/floor.c: the least a program can do for the same "
        "measurement (poll the line, read, one XTEST click with the same work around it as "
        "Quorvex's; a click on an InputOnly window answered by a write), measured by the same probe in the same run, the two taking "
        "short turns so that a change in the machine's load falls on both. On a shared machine "
        "the ratios count, not the absolute times.",
        "",
        "## Latency (milliseconds)",
        "",
        "code-to-click: last byte of \"10\" written at the controller's end to the ButtonPress "
        "received by the target window. code-to-cursor-back: the same to the cursor's motion "
        "back to where it rested over the target, seen by the target window. "
        "click-to-code: XTEST click on frmMain (the floor's "
        "window) to \"101\" readable at the controller's end. step-aside: frmMain's time at "
        "the top edge after \"10\", as the probe sees its moves.",
        "",
        "Before its click the floor does what Quorvex does: it moves its window aside, "
        "grabs the server, and asks in one round trip to the X server what Quorvex asks: "
        "the cursor's position (to put it back after the click), whether another client "
        "holds the pointer (a grab of its own, let go at once), how the buttons are mapped, "
        "and which window lies at the point; then it sends the click's motion, press and "
        "release before it lets the server go, so that no other client's input comes between "
        "them. After the click both wait for the release to be taken, as the pointer's "
        "buttons up again (asked at once, then every 10 ms), before the cursor goes back. "
        "Its window comes back 10 ms after the click, as frmMain does: the probe waits for "
        "that return before the next round, and this machine wakes a program more slowly "
        "when rounds come less often, so both are measured at the same pace. "
        "Both code-to-click and code-to-cursor-back figures hold all of this.",
        "",
        "| Figure | Median | p99 | Spread | Floor median | Floor p99 | Floor spread | "
        "Ratio of medians | Goal | Met |",
        "|---|---|---|---|---|---|---|---|---|---|",
        *latency_rows(quorvex, floor),
        "",
        f"## Line rate ({rate['seconds']:.1f} s, {int(rate['chars'])} characters, "
        f"{rate['chars'] / rate['seconds']:.1f} characters a second)",
        "",
        "\"20\", \"40\" and \"50\" in writes of 1 to 7 characters, so that codes also arrive "
        "split; shows and hides alternate so that each one changes what the X server "
        "reports. Goal: every code acted on, none lost, none extra.",
        "",
        "| Code | Sent | Acted on (presses on the target, maps, unmaps of frmMain) |",
        "|---|---|---|",
        *rate_rows,
        "",
        f"Bytes sent by the program unasked: {int(rate['unasked'])}. Met: {met(rate_ok)}.",
        "",
        f"## Idle ({options['idle_seconds']:.0f} s with nothing happening)",
        "",
        "| Program | CPU time | Wake-ups (context switches) | Goal | Met |",
        "|---|---|---|---|---|",
        f"| Quorvex | {quorvex_cpu} ns | {quorvex_wakeups} | zero | "
        f"{met(quorvex_cpu == 0 and quorvex_wakeups == 0)} |",
        f"| floor | {floor_cpu} ns | {floor_wakeups} | - | - |",
        "",
        "## Footprint",
        "",
        "| Figure | Quorvex | Floor | Ratio | Goal | Met |",
        "|---|---|---|---|---|---|",
        f"| peak resident memory (VmHWM, after the latency and line-rate runs) | "
        f"{quorvex['peak-rss']} KiB | {floor['peak-rss']} KiB | {rss_ratio:.2f} | "
        f"ratio <= 2 | {met(rss_ratio <= 2)} |",
        f"| exec to both overlays mapped ({len(start_q)} starts, {start_q_missed} missed; "
        f"the floor: its window) | median {statistics.median(start_q):.3f} ms, "
        f"p99 {percentile(start_q, 99):.3f} ms, {spread(start_q)} | median "
        f"{statistics.median(start_f):.3f} ms | "
        f"{statistics.median(start_q) / statistics.median(start_f):.2f} | - | - |",
        "",
        "| Executable | Size |",
        "|---|---|",
        *(f"| {name} | {size} bytes |" for name, size in sizes.items()),
        "",
    ]
    if results.get("follow"):
        lines += follow_rows(results["follow"])
    if results.get("wine"):
        lines += wine_rows(results["wine"], quorvex)
    if core:
        lines += ["## The core alone (Google Benchmark, bench/*.cpp)", "",
                  "| Benchmark | Time per iteration | Throughput |", "|---|---|---|",
                  *core_rows(core), ""]
    missed = [row.split("|")[1].strip() for row in lines
              if row.startswith("| ") and "**no**" in row]
    if not rate_ok:
        missed.append("line rate")
    if quorvex_cpu or quorvex_wakeups:
        missed.append("idle")
    lines[6:6] = ["Goals missed in this run: " + ("; ".join(missed) if missed else "none") + ".",
                  ""]
    text = "\n".join(lines)
    with open(path, "w") as out:
        out.write(text)
    return text
