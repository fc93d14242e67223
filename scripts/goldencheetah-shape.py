#!/usr/bin/env python3
"""Rewrites PWX files in the shape GoldenCheetah's PWX export gives them after its PWX import, so
that the plug-in can be tried on what that program hands on. Our own model of its behaviour (its
defaults: smart recording on, gaps under 25 s filled in), not its code:

  - a sample holding only <timeoffset> before nearly every sample (its gap test compares with a
    counter it never moves): one recording interval before the sample's own offset;
  - offsets rounded to whole seconds, a sample at an offset already taken dropped, gaps of 2 to
    24 s filled with samples interpolated linearly;
  - a distance the device left out integrated from the speed for one-second steps, else written
    as 0 (so a ride recorded by GPS alone has <dist>0</dist> beside every position);
  - power 0 written as 1 W; every channel any sample has written in every sample;
  - laps moved 1 s later and rounded to whole seconds, without their figures;
  - summary figures max="0" min="0" avg="0"; the start time in UTC with "Z" (taken from a machine
    whose zone is UTC).

usage: goldencheetah-shape.py [--no-smart-recording] [--check TOOL] OUT_DIR FILE.pwx...
--no-smart-recording leaves gaps unfilled and integrates the speed over every step, as it does with
that setting off. --check TOOL also imports each device file and its rewrite with TOOL (the tessaly
command-line host) and compares what the host gets; exit status 1 when a comparison fails.
The device files are not ours: never commit them or what this makes of them.
"""
import json
import math
import os
import subprocess
import sys
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape, quoteattr

HIGH_WATER_SECONDS = 25
smart_recording = True
KNOWN_INTERVALS = (1, 2, 4, 5, 10, 15)
NA = -255.0  # a temperature the device did not give


def local(tag):
    return tag.rsplit("}", 1)[-1]


def child(element, name):
    for c in element:
        if local(c.tag) == name:
            return c
    return None


def number(element):
    if element is None:
        return None
    try:
        return float((element.text or "").strip())
    except ValueError:
        return 0.0


def round_half_away(x):
    return math.floor(x + 0.5) if x >= 0 else -math.floor(-x + 0.5)


def g(x):
    return "%g" % x


CHANNELS = ("cad", "hr", "km", "kph", "watts", "alt", "lon", "lat", "temp", "lrbalance", "lte", "rte", "lps", "rps")


def read_device_file(path):
    workout = next(c for c in ET.parse(path).getroot() if local(c.tag) == "workout")
    ride = {"sport": "Bike", "notes": "", "title": "", "device": "", "time": "", "intervals": [], "points": []}
    points = ride["points"]
    rtime, rdist = 0.0, 0.0
    for node in workout:
        name = local(node.tag)
        if name == "sportType":
            ride["sport"] = node.text or ""
        elif name == "cmt":
            ride["notes"] = node.text or ""
        elif name == "title":
            ride["title"] = node.text or ""
        elif name == "device":
            parts = [(child(node, k).text or "") for k in ("make", "model") if child(node, k) is not None]
            ride["device"] = " ".join(p for p in parts if p)
        elif name == "time":
            ride["time"] = (node.text or "").strip()
        elif name == "segment":
            summary = child(node, "summarydata")
            label = child(node, "name")
            if summary is None or number(child(summary, "beginning")) is None:
                continue
            start = number(child(summary, "beginning"))
            duration = number(child(summary, "duration"))
            if duration is None:
                continue
            ride["intervals"].append(((label.text or "") if label is not None else "",
                                      round_half_away(start + 1), round_half_away(start + duration + 1)))
        elif name == "sample":
            p = {k: number(child(node, k)) or 0.0 for k in ("hr", "cad", "alt", "lat", "lon")}
            p["secs"] = round_half_away(number(child(node, "timeoffset")) or 0.0)
            p["kph"] = (number(child(node, "spd")) or 0.0) * 3.6
            p["watts"] = number(child(node, "pwr")) or 0.0
            if p["watts"] == 1:
                p["watts"] = 0.0
            right = number(child(node, "pwrright"))
            p["lrbalance"] = NA if right is None else 50.0 if p["watts"] == 0 else (p["watts"] - right) / p["watts"] * 100
            p["km"] = (number(child(node, "dist")) or 0.0) / 1000
            temp = number(child(node, "temp"))
            p["temp"] = NA if temp is None else temp
            for key, element in (("lte", "torque_effectiveness_left"), ("rte", "torque_effectiveness_right"),
                                 ("lps", "pedal_smoothness_left"), ("rps", "pedal_smoothness_right")):
                p[key] = number(child(node, element)) or 0.0
            if smart_recording and points and p["secs"] > rtime + 1:
                prev = points[-1]
                delta = p["secs"] - prev["secs"]
                no_gps = prev["lat"] == 0 and prev["lon"] == 0
                swim = ride["sport"] == "Swim" and no_gps and (p["km"] > 0 or rdist > 0)
                if swim:
                    p["kph"] = (p["km"] - rdist) * 3600 / delta if p["km"] > rdist else 0.0
                    if p["kph"] == 0:
                        p["cad"] = 0.0
                delta_km = 0.0 if p["km"] < 0.00001 else p["km"] - prev["km"]
                if 0 < delta < (10 * HIGH_WATER_SECONDS if swim else HIGH_WATER_SECONDS):
                    for k in range(1, int(math.ceil(delta))):
                        w = k / delta
                        rtime += 1
                        rdist = prev["km"] + delta_km * w
                        q = {c: prev[c] + (p[c] - prev[c]) * w for c in CHANNELS}
                        q.update(secs=rtime, km=rdist, temp=p["temp"])
                        if swim:
                            q.update(cad=p["cad"], kph=p["kph"])
                        if no_gps:
                            q.update(lat=0.0, lon=0.0)
                        points.append(q)
            elif p["km"] == 0 and points:
                p["km"] = rdist + (p["secs"] - rtime) * p["kph"] / 3600
            if not points or p["secs"] > rtime:
                if p["secs"] == 0:
                    p["kph"] = 0.0
                rtime, rdist = p["secs"], p["km"]
                points.append(p)
    return ride


def recording_interval(points):
    n = min(len(points), 1000)
    if n < 2:
        return 1.0
    steps = sorted(points[i + 1]["secs"] - points[i]["secs"] for i in range(n - 1))
    interval = round_half_away(steps[n // 2 - 1] * 1000) / 1000
    return interval if int(interval) in KNOWN_INTERVALS else 1.0


def write_shaped(ride, out):
    points = ride["points"]
    present = {c: any(p[c] != 0 for p in points) for c in CHANNELS if c not in ("temp", "lrbalance")}
    present["temp"] = any(p["temp"] != NA for p in points)
    present["lrbalance"] = any(p["lrbalance"] not in (0, NA) for p in points)
    interval = recording_interval(points)
    start = ride["time"].rstrip("Zz") + "Z" if ride["time"] else "1970-01-01T00:00:00Z"
    sport = "Bike" if ride["sport"] in ("Biking", "Cycling", "Cycle", "Bike") else ride["sport"]
    lines = ['\ufeff<?xml version="1.0"?>',
             '<pwx xmlns="http://www.peaksware.com/PWX/1/0" creator="Golden Cheetah"'
             ' xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:xsd="http://www.w3.org/2001/XMLSchema"'
             ' xsi:schemaLocation="http://www.peaksware.com/PWX/1/0 http://www.peaksware.com/PWX/1/0/pwx.xsd"'
             ' version="1.0">', "    <workout>", "        <athlete>", "            <name>athlete</name>",
             "        </athlete>", "        <sportType>%s</sportType>" % escape(sport)]
    if ride["notes"]:
        lines.append("        <cmt>%s</cmt>" % escape(ride["notes"]))
    if ride["title"]:
        lines.append("        <title>%s</title>" % escape(ride["title"]))
    if ride["device"]:
        lines += ["        <device id=%s>" % quoteattr(ride["device"]), "            <make>Golden Cheetah</make>",
                  "            <model>%s</model>" % escape(ride["device"]), "        </device>"]
    lines += ["        <time>%s</time>" % start, "        <summarydata>",
              "            <beginning>%s</beginning>" % g(points[0]["secs"] if points else 0),
              "            <duration>%s</duration>" % g(points[-1]["secs"] if points else 0)]
    zeros = ' max="0" min="0" avg="0"/>'
    for channel, element in (("hr", "hr"), ("kph", "spd"), ("watts", "pwr"), ("cad", "cad")):
        if present[channel]:
            lines.append("            <%s%s" % (element, zeros))
    lines.append("            <dist>%d</dist>" % int(points[-1]["km"] * 1000 if points else 0))
    for channel in ("alt", "temp"):
        if present[channel]:
            lines.append("            <%s%s" % (channel, zeros))
    lines.append("        </summarydata>")
    for label, begin, end in ride["intervals"]:
        lines += ["        <segment>", "            <name>%s</name>" % escape(label), "            <summarydata>",
                  "                <beginning>%s</beginning>" % g(begin),
                  "                <duration>%s</duration>" % g(end - begin), "            </summarydata>",
                  "        </segment>"]
    for p in points:
        if interval < p["secs"]:
            lines += ["        <sample>", "            <timeoffset>%s</timeoffset>" % g(p["secs"] - interval),
                      "        </sample>"]
        lines += ["        <sample>", "            <timeoffset>%s</timeoffset>" % g(p["secs"])]
        if present["hr"]:
            lines.append("            <hr>%d</hr>" % int(p["hr"]))
        if present["kph"]:
            lines.append("            <spd>%s</spd>" % g(p["kph"] / 3.6))
        if present["watts"]:
            watts = int(p["watts"]) if p["watts"] else 1
            lines.append("            <pwr>%d</pwr>" % watts)
        if present["lrbalance"]:
            right = int(p["watts"] - p["watts"] * (p["lrbalance"] / 100)) if p["watts"] else 0
            lines.append("            <pwrright>%d</pwrright>" % right)
        if present["cad"]:
            lines.append("            <cad>%d</cad>" % int(p["cad"]))
        lines.append("            <dist>%s</dist>" % g(p["km"] * 1000))
        if p["lat"] and p["lon"]:
            if present["lat"] and -90 < p["lat"] < 90:
                lines.append("            <lat>%.11g</lat>" % p["lat"])
            if present["lon"] and -180 < p["lon"] < 180:
                lines.append("            <lon>%.11g</lon>" % p["lon"])
        for channel in ("alt", "temp"):
            if present[channel]:
                lines.append("            <%s>%s</%s>" % (channel, g(p[channel]), channel))
        for channel, element in (("lte", "torque_effectiveness_left"), ("rte", "torque_effectiveness_right"),
                                 ("lps", "pedal_smoothness_left"), ("rps", "pedal_smoothness_right")):
            if present[channel]:
                lines.append("            <%s>%s</%s>" % (element, g(p[channel]), element))
        lines.append("        </sample>")
    lines += ["    </workout>", "</pwx>", ""]
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


def imported(tool, path):
    text = subprocess.run([tool, "import", path, "--format", "json"], check=True, capture_output=True).stdout
    return json.loads(text)


def samples_with_a_reading(path):
    workout = next(c for c in ET.parse(path).getroot() if local(c.tag) == "workout")
    return sum(1 for s in workout if local(s.tag) == "sample" and any(local(c.tag) != "timeoffset" for c in s))


def check(tool, device_path, shaped_path):
    """Compares the host's view of a device file and of its rewrite; returns the failures."""
    device, shaped = imported(tool, device_path), imported(tool, shaped_path)
    failures = []
    expected = samples_with_a_reading(shaped_path)
    if len(shaped["samples"]) != expected:
        failures.append("%d host samples for %d samples with a reading" % (len(shaped["samples"]), expected))
    # A lap that starts before the one ahead of it has ended takes no samples of its own.
    last_end = -1.0
    heart, ascent = 0, []
    for lap_a, lap_b in zip(device["laps"], shaped["laps"]):
        inside = lap_a["EndOffset"] - lap_a["Duration"] < last_end - 1
        last_end = max(last_end, lap_a["EndOffset"])
        if inside:
            continue
        if lap_a["AvgHeartRate"] > 0:
            heart += 1
            if lap_b["AvgHeartRate"] == 0:
                failures.append("a lap ending at %g s lost its heart rate" % lap_a["EndOffset"])
        ascent.append((lap_a["Ascent"], lap_b["Ascent"]))
    # Laps end a second later, altitudes are written to 6 digits and truncated on reading, and the
    # samples filled into gaps climb in half metres: a few metres a lap.
    for a, b in ascent:
        if abs(a - b) > max(6, 0.1 * a):
            failures.append("lap ascent %g m, device %g m" % (b, a))
    last_a = device["samples"][-1]["Distance"] if device["samples"] else 0.0
    last_b = shaped["samples"][-1]["Distance"] if shaped["samples"] else 0.0
    if abs(last_a - last_b) > max(0.01, 0.005 * last_a):  # "%g" keeps 6 digits of the metres
        failures.append("last distance %.3f km, device %.3f km" % (last_b, last_a))
    print("%s: %d samples (device %d), %d laps with heart rate, lap ascent %s m (device %s), last distance "
          "%.3f km (device %.3f)%s" % (os.path.basename(device_path), len(shaped["samples"]), len(device["samples"]),
                                       heart, sum(b for _, b in ascent), sum(a for a, _ in ascent), last_b, last_a,
                                       "" if not failures else ": " + "; ".join(failures)))
    return failures


def main(argv):
    global smart_recording
    tool = None
    if argv[:1] == ["--no-smart-recording"]:
        smart_recording, argv = False, argv[1:]
    if argv[:1] == ["--check"]:
        if len(argv) < 2:
            sys.exit(__doc__)
        tool, argv = argv[1], argv[2:]
    if len(argv) < 2:
        sys.exit(__doc__)
    out_dir, files = argv[0], argv[1:]
    os.makedirs(out_dir, exist_ok=True)
    failed = 0
    for path in files:
        shaped = os.path.join(out_dir, os.path.basename(path))
        write_shaped(read_device_file(path), shaped)
        if tool:
            failed += 1 if check(tool, path, shaped) else 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
