"""The one judge of a capture against its take, for every test that compares the two.

A comparison hands in what it found where the capture differs from the take: a silence
(only silence inserted, the take going on at the very next frame) or a fault (anything
else: frames missing, repeated or changed, sound that is no part of the take, a cut end).

A fault always fails, whatever the host or the server did meanwhile. A silence may be
excused, and only when it lies inside a block: the player hands the device whole blocks, so
silence inside one was played below the player, when the stream ran dry on its way to the
sink; silence at a block's start may be the player's own lateness. Even then it needs an
event seen at that moment that is not the player's doing, one event for one silence:
  - a server-wide dry-out: the server's log has the player's stream run dry together with
    the server's own silence streams, separate processes that share nothing with the
    player but the server and the machine;
  - a hold of the whole machine: the stall probe saw every core stopped at once.
An event excuses a silence when the two come within 10 ms of each other on the capture's
clock (seconds from the capture's first frame). The scripts put the events on that clock:
a dry-out from the log's time of the capture stream's making (RateSink.capture_start), a
hold from how the capture file grew against the monotonic clock (long_take.HostWatch).
"""

from collections import namedtuple

NEAR_SECONDS = 0.010

# take_frame: for a silence, the frame the take goes on at after it (None for a fault);
# start, end: for a silence, where it lies in the capture, in seconds.
Difference = namedtuple("Difference", "said take_frame start end")
# An event seen while the take played, on the capture's clock; a dry-out has start == end.
Event = namedtuple("Event", "start end said")


def fault(said):
    return Difference(said, None, 0.0, 0.0)


def silence(said, take_frame, capture_frame, frames, rate):
    """frames of silence from capture_frame, after which the take goes on at take_frame."""
    return Difference(said, take_frame, capture_frame / rate, (capture_frame + frames) / rate)


def dry_out_events(log_times, capture_start):
    """Server-wide dry-outs at these times of the server's log, on the capture's clock;
    none when the log does not say when the capture started, as then none can be placed."""
    if capture_start is None:
        return []
    return [Event(when - capture_start, when - capture_start, "a server-wide dry-out") for when in log_times]


def judge(differences, block, events):
    """(failures, excused): the texts of the differences that fail, and of those excused,
    each with its excuse. block: the player's block in frames, counted from the take frame
    the play started at (0 for the take's start)."""
    # Silences in the capture's order, each taking the unused event within reach that ends
    # first: no other choice pairs more of them.
    unused = sorted(events, key=lambda event: (event.end, event.start))
    excuse = {}
    for index in sorted(range(len(differences)), key=lambda i: differences[i].start):
        found = differences[index]
        if found.take_frame is None or found.take_frame % block == 0:
            continue
        event = next((e for e in unused
                      if e.end >= found.start - NEAR_SECONDS and e.start <= found.end + NEAR_SECONDS), None)
        if event is not None:
            unused.remove(event)
            excuse[index] = event
    failures, excused = [], []
    for index, found in enumerate(differences):
        if index in excuse:
            excused.append("%s; %s at %.3f s of the capture" % (found.said, excuse[index].said, excuse[index].start))
        elif found.take_frame is None:
            failures.append(found.said)
        elif found.take_frame % block == 0:
            failures.append(found.said + "; at a block's start, where the player may have been late")
        else:
            failures.append("%s (at %.3f s of the capture); no server-wide dry-out or hold of the whole machine "
                            "within 10 ms of it, or each was used by another silence" % (found.said, found.start))
    return failures, excused
