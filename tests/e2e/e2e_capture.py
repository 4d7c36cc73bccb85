"""A capture of the null sink's monitor read against the take it should hold, and what differs
handed to the capture judge (capture_judge.py):
  - pieces_of and compare_pieces: the capture as pieces of a take's mixes (Take) with silence
    between them, each piece where the test's actions put it (switches, pauses, seeks);
  - compare_data and gap_differences: the capture against a take whose sample data is its own
    mix (write_long_take), with every gap found and the take found again after it;
  - play_judged: a play tried again while the judge fails its capture, each try said.
"""

import array
import os
import sys

from capture_judge import fault, silence
from e2e_check import check
from e2e_takes import BLOCK, RATE

TOLERANCE = 1              # LSB the sound server may change
SILENCE = 1                # a captured sample within this is silence
HEAD_LIMIT = RATE // 100   # frames wine may lose at the start of a stream (10 ms)
MATCH = 64                 # frames that must agree to recognise where a piece of the mix starts
CHUNK_FRAMES = RATE * 10   # compare_data compares ten seconds at a time


def read_capture(path):
    samples = array.array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read()[: (os.path.getsize(path) // 4) * 4])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples[0::2], samples[1::2]


def first_loud(left, right, threshold):
    for i, (l, r) in enumerate(zip(left, right)):
        if abs(l) > threshold or abs(r) > threshold:
            return i
    return -1


def silent(l, r):
    return abs(l) <= SILENCE and abs(r) <= SILENCE


def agreeing(cap, j, mix, i, limit):
    """How many frames from capture frame j agree with the mix from frame i (at most limit)."""
    cl, cr = cap
    ml, mr = mix
    limit = min(limit, len(cl) - j, len(ml) - i)
    n = 0
    while n < limit:
        k = min(BLOCK, limit - n)
        if cl[j + n:j + n + k] == ml[i + n:i + n + k] and cr[j + n:j + n + k] == mr[i + n:i + n + k]:
            n += k
            continue
        end = n + k
        while n < end and abs(cl[j + n] - ml[i + n]) <= TOLERANCE and abs(cr[j + n] - mr[i + n]) <= TOLERANCE:
            n += 1
        if n < end:
            break
    return n


def recognised(cap, j, take, name, i):
    if i >= take.frames:
        return False
    return agreeing(cap, j, take.mixes[name], i, MATCH) >= min(MATCH, take.frames - i)


def pieces_of(cap, begin, end, take):
    """Reads the capture from begin to end as pieces of the take's mixes with silence between
    them. A piece starts at a block of the take (the first one anywhere in the first 10 ms)
    or continues where the previous one stopped. Returns the pieces as dictionaries (capture
    frame, take frame, frames, mix) and a description of what could not be read, or None."""
    cl, cr = cap
    end = min(end, len(cl))
    blocks = [(name, b * BLOCK) for b in range(take.frames // BLOCK) for name in take.mixes]
    pieces, j = [], begin
    while True:
        while j < end and silent(cl[j], cr[j]):
            j += 1
        if j >= end:
            return pieces, None
        start = None
        if not pieces:
            heads = [(name, i) for i in range(HEAD_LIMIT + 1) for name in take.mixes]
            start = next(((name, i, j) for name, i in heads if recognised(cap, j, take, name, i)), None)
        else:
            last = pieces[-1]
            candidates = [(last["mix"], last["take"] + last["frames"])] + blocks
            low = last["cap"] + last["frames"]
            # A block may begin with a frame or two that count as silence.
            for at in range(max(low, j - 3), j + 1):
                start = next(((name, i, at) for name, i in candidates if recognised(cap, at, take, name, i)), None)
                if start:
                    break
        if start is None:
            return pieces, "capture frame %d: sound that is no block of the mix" % j
        name, i, j = start
        piece = dict(cap=j, take=i, frames=0, mix=name)
        pieces.append(piece)
        while True:
            n = agreeing(cap, j, take.mixes[name], i, end - j)
            piece["frames"] += n
            j, i = j + n, i + n
            if j >= end or i >= take.frames:
                break
            # The mix changed at the block where the difference is (a switch, a seek): the
            # block's first frames may still have agreed with the old mix.
            block_start = i - i % BLOCK
            at = j - (i - block_start)
            changed = None
            if at >= piece["cap"] and j - at < MATCH:
                changed = next(((other, b) for other, b in blocks if (other, b) != (name, block_start)
                                and recognised(cap, at, take, other, b)), None)
            if changed is None:
                break   # silence follows, or sound that the next round has to explain
            piece["frames"] -= j - at
            name, i, j = changed[0], changed[1], at
            piece = dict(cap=j, take=i, frames=0, mix=name)
            pieces.append(piece)


def describe(pieces):
    """mix FIRST..END@CAPTURE-FRAME per piece (take frames), and the silence between them."""
    text, previous_end = [], None
    for piece in pieces:
        if previous_end is not None and piece["cap"] > previous_end:
            text.append("silence %d" % (piece["cap"] - previous_end))
        text.append("%s %d..%d@%d" % (piece["mix"], piece["take"], piece["take"] + piece["frames"], piece["cap"]))
        previous_end = piece["cap"] + piece["frames"]
    return ", ".join(text)


def compare_pieces(label, pieces, unreadable, expected):
    """expected: one (mix, take frame or None for the continuation, gap) per piece; gap is
    "none" (the piece follows the previous one at once) or "some" (silence between).
    The first piece may start up to 10 ms into its take frame; every piece but the first
    starts at a block and each ends at a block or at the take's end. Returns what differs,
    for the capture judge: each silence inside a block with the mix going on after it, and
    every other problem as a fault."""
    problems, silences = [], []
    print("%s: the capture reads as %s" % (label, describe(pieces)), flush=True)
    if unreadable:
        problems.append("%s: %s" % (label, unreadable))
    # Silence inside a block, with the mix going on after it, is read as one piece with a
    # silence in it; the judge decides whether it was the stream running dry below the player.
    merged = []
    for piece in pieces:
        piece = dict(piece, cap_end=piece["cap"] + piece["frames"])
        if merged:
            previous = merged[-1]
            previous_end = previous["take"] + previous["frames"]
            if piece["mix"] == previous["mix"] and piece["take"] == previous_end and previous_end % BLOCK:
                inserted = piece["cap"] - previous["cap_end"]
                silences.append(silence("%s: %d frames of silence inserted before take frame %d, inside a block"
                                        % (label, inserted, previous_end), previous_end, previous["cap_end"],
                                        inserted, RATE))
                previous["frames"] += piece["frames"]
                previous["cap_end"] = piece["cap_end"]
                continue
        merged.append(piece)
    if len(merged) != len(expected):
        problems.append("%s: %d pieces of the mix, expected %d" % (label, len(merged), len(expected)))
        return [fault(problem) for problem in problems] + silences
    for index, (piece, (mix, take, gap)) in enumerate(zip(merged, expected)):
        where = "%s piece %d" % (label, index + 1)
        if piece["mix"] != mix:
            problems.append("%s: mix %s, expected %s" % (where, piece["mix"], mix))
        if index == 0:
            if not take <= piece["take"] <= take + HEAD_LIMIT:
                problems.append("%s: starts at take frame %d, not within 10 ms of %d" % (where, piece["take"], take))
            continue
        previous = merged[index - 1]
        previous_end = previous["take"] + previous["frames"]
        wanted = previous_end if take is None else take
        if piece["take"] != wanted:
            problems.append("%s: starts at take frame %d, expected %d" % (where, piece["take"], wanted))
        if previous_end % BLOCK:
            problems.append("%s: the piece before it ends inside a block (take frame %d)" % (where, previous_end))
        between = piece["cap"] - previous["cap_end"]
        if (gap == "none") != (between == 0):
            problems.append("%s: %d frames of silence before it, expected %s" % (where, between, gap))
    return [fault(problem) for problem in problems] + silences


def _first_difference(got, want):
    """The first byte offset where two equal-length byte strings differ (halving the span)."""
    low, high = 0, len(want)
    while high - low > 4:
        middle = low + (high - low) // 2 // 4 * 4
        if got[low:middle] != want[low:middle]:
            high = middle
        else:
            low = middle
    return low


def compare_data(capture_path, take_path, data_bytes):
    """(problems, facts, gaps) of the capture against a take whose sample data is its own mix
    (write_long_take), past a short head. After a difference the comparison finds the take again
    in the capture, so every gap is counted: silence inserted (the device ran dry) or frames
    missing or repeated. A gap: (take frame, capture frame, frames of silence inserted, frames
    skipped in the take, negative when repeated)."""
    with open(take_path, "rb") as take:
        take.seek(44)
        want_all = take.read(data_bytes)
    with open(capture_path, "rb") as cap:
        got_all = cap.read()
    head = got_all[:4 * RATE * 30]
    at = -1
    for lost in range(0, HEAD_LIMIT + 1):
        probe = want_all[4 * lost:4 * lost + 4 * 32]
        found = head.find(probe)
        if found >= 0 and found % 4 == 0:
            at, head_lost = found, lost
            break
    if at < 0:
        return ["the take's start is not in the first 30 s of the capture"], {}, []
    problems, gaps = [], []
    t, c = 4 * head_lost, at
    while t < data_bytes:
        span = min(4 * CHUNK_FRAMES, data_bytes - t)
        want, got = want_all[t:t + span], got_all[c:c + span]
        if got == want:
            t, c = t + span, c + span
            continue
        if len(got) < len(want) and got == want[:len(got)]:
            problems.append("the capture ends at frame %d of %d" % ((t + len(got)) // 4, data_bytes // 4))
            break
        differs = _first_difference(got, want[:len(got)])
        t, c = t + differs, c + differs
        # Silence the device played in between, then where the capture goes on in the take:
        # ahead (frames missing), behind (frames repeated) or right there (only silence).
        resumes = c
        while got_all[resumes:resumes + 4] == b"\0\0\0\0":
            resumes += 4
        # 32 frames name one place within seconds (the block count and the tone's phase), and
        # fit between two gaps of a stuttering device.
        probe = got_all[resumes:resumes + 4 * 32]
        if len(probe) < 4 * 32:
            problems.append("the capture ends at frame %d of %d, after %d frames of silence"
                            % (t // 4, data_bytes // 4, (resumes - c) // 4))
            break
        window = 4 * RATE * 5
        found = want_all.find(probe, max(0, t - window), t + window)
        while found >= 0 and found % 4:
            found = want_all.find(probe, found + 1, t + window)
        if found < 0:
            problems.append("the capture differs from the take at frame %d (block %d) and does not find it again"
                            % (t // 4, t // 4 // BLOCK))
            break
        gaps.append((t // 4, c // 4, (resumes - c) // 4, (found - t) // 4))
        t, c = found, resumes
    return problems, {"head frames lost": head_lost, "frames compared": data_bytes // 4 - head_lost}, gaps


def gap_differences(problems, gaps, around):
    """The comparison's findings for the judge: each gap of silence only, between two frames that
    follow each other in the take, as a silence; every other gap and problem as a fault.
    around(capture frame) says what the host did then."""
    found = [fault(problem) for problem in problems]
    for take_frame, capture_frame, inserted, skipped in gaps:
        said = "gap at %.3f s (block %d): %d frames of silence inserted, %d frames %s; %s" % (
            take_frame / RATE, take_frame // BLOCK, inserted, abs(skipped), "repeated" if skipped < 0 else "missing",
            around(capture_frame))
        if skipped == 0 and inserted > 0:
            found.append(silence(said, take_frame, capture_frame, inserted, RATE))
        else:
            found.append(fault(said))
    return found


def play_judged(attempts, play_once, retrying):
    """Plays up to attempts (1 or more) times while the judge fails the capture. play_once() returns
    (hard, failures, excused): problems that fail at once, with no further try, and the judge's
    verdict. Before each further try every failure is said on a RETRY line and retrying(attempt)
    says why; what fails in the end is said and counted as a failure. Returns the texts excused
    in the last try, each said as not judged (on a RETRY line when the try was not the last)."""
    for attempt in range(1, attempts + 1):
        hard, failures, excused = play_once()
        retry = bool(failures) and not hard and attempt < attempts
        for text in excused:
            print(("RETRY: " if retry else "WARNING: not judged: ") + text, flush=True)
        if not retry:
            for problem in hard + failures:
                check(False, problem)
            return excused
        for text in failures:
            print("RETRY: " + text, flush=True)
        retrying(attempt)
