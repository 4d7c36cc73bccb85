#!/usr/bin/env python3
"""The sound report's page as people print it: vantorinfo --report --html on a generated
card of takes, the page printed to PDF and screenshotted by headless chromium, and the PDF's
text read back with pdftotext. Every take's row stands whole on one page under the heading
that every page repeats, the pages are landscape, and the page needs no script and nothing
from the network.

    html_print_test.py --vantorinfo PATH [--chromium PATH] [--screenshot-out PNG]
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from wave_writer import chunk, format_block, riff  # noqa: E402

RATE = 48000
PROJECT = "Die Fähre"
TAPE = "DAY07"
DATES = ("2026-12-09", "2026-12-10")   # the card's first half and second half
FIRST_FRAME = (8 * 3600 + 30 * 60) * 25   # 08:30:00:00 at 25 fps

# The takes that each show something; ordinary takes fill the card up after them.
# name, channels, bits, timecode rate, note, circled, peaks in dBFS by channel
# (None: digital silence, 0: full scale, clipped); a name of "*_1.WAV" is a set of mono files.
SPECIAL_TAKES = [
    ("SC001_T03.WAV", 8, 24, "25/1", "Jäger <Bär> & Söhne", True, [-6, -12, -18, -24, -30, -36, -42, -48]),
    ("SC002_T01.WAV", 2, 16, "25/1", "Flugzeug überm Wald", False, [0, -9]),
    ("SC003_T02.WAV", 4, 16, "24000/1001", "", False, [-10, -20, None, -40]),
    ("SC004_T05_1.WAV", 3, 16, "25/1", "split mono", False, [-8, -16, -24]),
    ("SC005_T01.WAV", 16, 24, "25/1", "", False, [-3 - c for c in range(16)]),
    ("SC006_T02.WAV", 6, 16, "24000/1001", "it's \"wild\"", False, [-15] * 6),
]
TAKE_COUNT = 48
NOT_A_TAKE = "SC099_NOTES.WAV"   # no wave in it: a row with its status and no levels


def card_takes():
    """Every take of the card, in the order the report lists them (name order)."""
    takes = [dict(name=n, channels=ch, bits=b, rate=r, note=note, circled=c, peaks=p)
             for n, ch, b, r, note, c, p in SPECIAL_TAKES]
    cycle = [2, 4, 6, 8, 16, 1]
    for k in range(TAKE_COUNT - len(takes)):
        channels = cycle[k % len(cycle)]
        takes.append(dict(name="SC%03d_T%02d.WAV" % (10 + k // 3, 1 + k % 3), channels=channels, bits=16,
                          rate="25/1", note="", circled=False, peaks=[-6 - 2 * c for c in range(channels)]))
    for index, take in enumerate(takes):
        take["scene"] = take["name"][2:5].lstrip("0")
        take["take"] = take["name"][7:9].lstrip("0")
        take["date"] = DATES[index * 2 // len(takes)]
        take["frames"] = RATE * (1 + index % 3)   # whole seconds: the total needs no rounding
        # Starts 2 min 7 s and 3 frames apart, each on a frame's first sample.
        frame = FIRST_FRAME + index * (127 * 25 + 3)
        if take["rate"] == "25/1":
            take["time_reference"], fps = frame * 1920, 25
        else:   # 23.976: frame n starts at n * 2002 samples, labelled at 24 a second
            frame = frame * 24 // 25
            take["time_reference"], fps = frame * 2002, 24
        take["timecode"] = "%02d:%02d:%02d:%02d" % (frame // fps // 3600, frame // fps // 60 % 60, frame // fps % 60, frame % fps)
        # A token only this take's row holds, in its last track name: a row split shows.
        take["tracks"] = ["BOOM"] + ["LAV%d" % c for c in range(1, take["channels"] - 1)] + ["END%03d" % index]
        take["tracks"] = take["tracks"][-take["channels"]:]
    return takes


def sample_bytes(peaks, bits, frames):
    """A square wave per channel at its peak: +a, -a, ...; full scale where the peak is 0."""
    full = (1 << (bits - 1)) - 1
    amplitudes = [0 if p is None else full if p == 0 else round(full * 10 ** (p / 20)) for p in peaks]
    width = bits // 8
    up = b"".join(a.to_bytes(4, "little", signed=True)[:width] for a in amplitudes)
    down = b"".join((-a).to_bytes(4, "little", signed=True)[:width] for a in amplitudes)
    return (up + down) * (frames // 2)


def bext(take):
    description = ("sSCENE=%s\r\nsTAKE=%s\r\n" % (take["scene"], take["take"])).encode()
    body = bytearray(602)
    body[0:len(description)] = description
    body[320:330] = take["date"].encode()                  # OriginationDate
    body[330:338] = b"08:30:00"                            # OriginationTime
    struct.pack_into("<Q", body, 338, take["time_reference"])
    return bytes(body)


def ixml(take, tracks, file_set=""):
    track_list = "".join("<TRACK><CHANNEL_INDEX>%d</CHANNEL_INDEX><INTERLEAVE_INDEX>%d</INTERLEAVE_INDEX>"
                         "<NAME>%s</NAME></TRACK>" % (channel, interleave, escape(name))
                         for channel, interleave, name in tracks)
    xml = ("<?xml version=\"1.0\" encoding=\"UTF-8\"?><BWFXML><TAPE>%s</TAPE><SCENE>%s</SCENE><TAKE>%s</TAKE>"
           "<PROJECT>%s</PROJECT><NOTE>%s</NOTE><CIRCLED>%s</CIRCLED><SPEED><TIMECODE_RATE>%s</TIMECODE_RATE>"
           "<TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED>%s<TRACK_LIST><TRACK_COUNT>%d</TRACK_COUNT>%s</TRACK_LIST></BWFXML>"
           % (TAPE, take["scene"], take["take"], escape(PROJECT), escape(take["note"]),
              "TRUE" if take["circled"] else "FALSE", take["rate"], file_set, len(tracks), track_list))
    return xml.encode()


def write_card(folder, takes):
    for take in takes:
        if take["name"].endswith("_1.WAV"):   # a set: one mono file a channel
            take["files"] = [take["name"][:-5] + "%d.WAV" % (c + 1) for c in range(take["channels"])]
            for c, name in enumerate(take["files"]):
                file_set = ("<FILE_SET><TOTAL_FILES>%d</TOTAL_FILES><FAMILY_UID>%s</FAMILY_UID>"
                            "<FILE_SET_INDEX>%d</FILE_SET_INDEX></FILE_SET>" % (take["channels"], take["name"], c + 1))
                with open(os.path.join(folder, name), "wb") as out:
                    out.write(riff([chunk(b"bext", bext(take)), chunk(b"fmt ", format_block(1, RATE, take["bits"])),
                                    chunk(b"iXML", ixml(take, [(c + 1, 1, take["tracks"][c])], file_set)),
                                    chunk(b"data", sample_bytes(take["peaks"][c:c + 1], take["bits"], take["frames"]))]))
        else:
            take["files"] = [take["name"]]
            tracks = [(c + 1, c + 1, name) for c, name in enumerate(take["tracks"])]
            with open(os.path.join(folder, take["name"]), "wb") as out:
                out.write(riff([chunk(b"bext", bext(take)),
                                chunk(b"fmt ", format_block(take["channels"], RATE, take["bits"], extensible=take["channels"] > 2)),
                                chunk(b"iXML", ixml(take, tracks)),
                                chunk(b"data", sample_bytes(take["peaks"], take["bits"], take["frames"]))]))
    with open(os.path.join(folder, NOT_A_TAKE), "wb") as out:
        out.write(b"just notes, no wave in here\n")


def run(command, what):
    """A tool's run; its output when it worked. The timeout only keeps a hung browser from
    holding the test run."""
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=240)
    if done.returncode != 0:
        raise SystemExit("FAIL: %s exited %d: %s\n%s" % (what, done.returncode, " ".join(command),
                                                          done.stderr.decode(errors="replace")[-3000:]))
    return done.stdout.decode("utf-8", errors="replace")


def browser(chromium, profile, *arguments):
    return [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--user-data-dir=" + profile] + list(arguments)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vantorinfo", required=True)
    parser.add_argument("--chromium", default="chromium")
    parser.add_argument("--screenshot-out")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="vp-report-html-")
    card = os.path.join(work, "CARD")
    os.mkdir(card)
    takes = card_takes()
    write_card(card, takes)
    page = os.path.join(work, "card.html")
    failures = []

    report = subprocess.run([args.vantorinfo, "--report", "--html", page, card], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=240)
    # One file is no take: status 1, as the CSV run gives; the rows go nowhere without --output.
    if report.returncode != 1:
        failures.append("vantorinfo exited %d, not 1: %s" % (report.returncode, report.stderr.decode(errors="replace")))
    if report.stdout:
        failures.append("vantorinfo wrote to standard output with --html: %r" % report.stdout[:200])
    if os.path.exists(page + ".tmp"):
        failures.append("the page's .tmp file was left behind")
    with open(page, encoding="utf-8") as f:
        html = f.read()

    # Nothing to fetch and nothing to run.
    for needle in ("<script", "http://", "https://", "<link", "url(", "src=", "@import"):
        if needle in html.lower():
            failures.append("the page holds %r" % needle)
    if html.count("<svg") != len(takes):
        failures.append("%d <svg> in the page for %d takes with levels" % (html.count("<svg"), len(takes)))

    pdf = os.path.join(work, "card.pdf")
    png = os.path.join(work, "card.png")
    url = "file://" + page
    run(browser(args.chromium, os.path.join(work, "profile-pdf"), "--print-to-pdf=" + pdf, "--no-pdf-header-footer", url),
        "chromium --print-to-pdf")
    run(browser(args.chromium, os.path.join(work, "profile-png"), "--screenshot=" + png, "--window-size=1400,1000", url),
        "chromium --screenshot")

    info = run(["pdfinfo", "-f", "1", "-l", "1000", pdf], "pdfinfo")
    page_count = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    sizes = re.findall(r"^Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    if page_count < 2:
        failures.append("the report printed on %d page(s), expected at least 2" % page_count)
    if len(sizes) != page_count or any(float(w) <= float(h) for w, h in sizes):
        failures.append("pages not all landscape: %s" % sizes)
    whole = run(["pdftotext", "-layout", pdf, "-"], "pdftotext")
    pages_with_text = [text for text in whole.split("\f") if text.strip()]
    if len(pages_with_text) != page_count:
        failures.append("the text spans %d pages, pdfinfo counts %d" % (len(pages_with_text), page_count))
    pages = [run(["pdftotext", "-layout", "-f", str(n), "-l", str(n), pdf, "-"], "pdftotext page %d" % n)
             for n in range(1, page_count + 1)]

    # The heading on every page: title, project, folder, takes and total, recording days.
    total_seconds = sum(take["frames"] for take in takes) // RATE
    heading = ["Sound report", PROJECT, TAPE, card, "%d takes, %d:%02d:%02d" % (len(takes) + 1, total_seconds // 3600,
               total_seconds // 60 % 60, total_seconds % 60), "%s – %s" % DATES, "Timecode"]
    for number, text in enumerate(pages, 1):
        for expected in heading:
            if expected not in text:
                failures.append("page %d lacks the heading's %r" % (number, expected))

    # Each take's row whole on one page: its files, start timecode, last track name and the
    # words of its note (a note may wrap).
    for take in takes + [dict(name=NOT_A_TAKE, files=[NOT_A_TAKE], timecode="not a take", tracks=[""], note="")]:
        tokens = take["files"] + [take["timecode"], take["tracks"][-1]] + take["note"].split()
        found = {token: [n for n, text in enumerate(pages, 1) if token in text] for token in tokens if token}
        on_pages = {n for numbers in found.values() for n in numbers}
        if any(len(numbers) != 1 for numbers in found.values()) or len(on_pages) != 1:
            failures.append("%s: not once on one page: %s" % (take["name"], found))

    if args.screenshot_out:
        shutil.copyfile(png, args.screenshot_out)
    with open(png, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (1400, 1000):
        failures.append("the screenshot is no 1400 x 1000 PNG")

    if failures:
        print("\n".join("FAIL: " + failure for failure in failures))
        print("kept for a look: " + work)
        return 1
    print("report_html_print: %d takes on %d landscape pages, each row whole, heading on every page" % (len(takes) + 1, page_count))
    shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
