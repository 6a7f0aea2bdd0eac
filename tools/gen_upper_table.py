#!/usr/bin/env python3
"""Prints the simple (one-to-one) uppercase mapping of the Basic Multilingual Plane as
ranges {first, last, delta, stride}, for platform/storage/UpperCaseTable.inc.
Compound files order sibling names by this mapping, one UTF-16 unit at a time."""
import sys

def mappings():
    for c in range(0x10000):
        if 0xD800 <= c <= 0xDFFF:
            continue
        upper = chr(c).upper()
        if len(upper) == 1 and ord(upper) != c:
            yield c, ord(upper) - c

def runs():
    out = []
    for c, delta in mappings():
        if out:
            first, last, d, stride = out[-1]
            step = c - last
            if d == delta and step in (1, 2) and (stride == 0 or stride == step):
                out[-1] = (first, c, d, step)
                continue
        out.append((c, c, delta, 0))
    return out

for first, last, delta, stride in runs():
    print("    {0x%04X, 0x%04X, %d, %d}," % (first, last, delta, max(stride, 1)))
