#!/usr/bin/env python3
"""Writes the short phrases the factory sounds are previewed and tested with:
one Standard MIDI File per kind of sound, 120 BPM, at most 1.5 s of music.

    python3 presets/phrases/make_phrases.py presets/phrases
"""
import struct
import sys
from pathlib import Path

TICKS_PER_QUARTER = 480
SIXTEENTH = TICKS_PER_QUARTER // 4

# (start, length) in sixteenths, key, velocity. A note that starts before the
# previous one ends is played legato: the synthesizer slides into it.
PHRASES = {
    # A one-bar line around A1 with accents (high velocities) and two slides.
    "bass": [(0, 2, 33, 120), (2, 1, 33, 70), (3, 3, 45, 100), (5, 1, 43, 80), (6, 1, 33, 120),
             (7, 2, 36, 70), (9, 2, 38, 110), (10, 2, 40, 80)],
    # A melody around A4: legato steps, a leap and a held last note.
    "lead": [(0, 3, 69, 100), (2, 2, 72, 90), (4, 1, 76, 100), (5, 3, 74, 90), (7, 1, 72, 80),
             (8, 4, 69, 110)],
    # Single keys, one after the other: an arpeggio without chords.
    "keys": [(0, 2, 60, 100), (3, 2, 64, 90), (6, 2, 67, 100), (9, 3, 72, 110)],
    # One struck note.
    "hit": [(0, 1, 48, 110)],
    # One long note for sounds that evolve.
    "swell": [(0, 11, 57, 100)],
}


def variable_length(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def phrase_file(notes):
    events = []
    for start, length, key, velocity in notes:
        # Offs one tick early, so a repeated key starts afresh.
        events.append((start * SIXTEENTH, 1, bytes([0x90, key, velocity])))
        events.append(((start + length) * SIXTEENTH - 1, 0, bytes([0x80, key, 0])))
    events.sort(key=lambda event: (event[0], event[1]))
    track = variable_length(0) + bytes([0xFF, 0x51, 0x03]) + (500000).to_bytes(3, "big")  # 120 BPM
    now = 0
    for tick, _, message in events:
        track += variable_length(tick - now) + message
        now = tick
    track += variable_length(0) + bytes([0xFF, 0x2F, 0x00])
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS_PER_QUARTER)
    return header + b"MTrk" + struct.pack(">I", len(track)) + track


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    for name, notes in PHRASES.items():
        path = folder / f"{name}.mid"
        path.write_bytes(phrase_file(notes))
        print(f"wrote {path}")


if __name__ == "__main__":
    main()
