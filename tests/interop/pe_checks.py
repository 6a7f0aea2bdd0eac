"""Helpers for the executable checks: pefile, wrestool, objdump, icon files, skipping."""

import os
import shutil
import struct
import subprocess
import sys

SKIP = 77  # CTest's SKIP_RETURN_CODE


def require(condition, why):
    if not condition:
        print("SKIP: " + why)
        sys.exit(SKIP)


def import_pefile():
    try:
        import pefile
    except ImportError:
        require(False, "python3-pefile is not installed for %s" % sys.executable)
    return pefile


def objdump():
    """An objdump that reads PE files, or None."""
    for name in ("x86_64-w64-mingw32-objdump", "objdump"):
        path = shutil.which(name)
        if path and "pei-x86-64" in subprocess.run([path, "-i"], capture_output=True, text=True).stdout:
            return path
    return None


def run(args, **kwargs):
    result = subprocess.run(args, capture_output=True, **kwargs)
    if result.returncode != 0:
        raise AssertionError("%s failed (%d): %s" % (args[0], result.returncode,
                                                     result.stderr.decode("utf-8", "replace")))
    return result.stdout


def noise(count, seed):
    """Varied bytes, so that no byte value dominates a file (pefile warns about that)."""
    out, state = bytearray(count), seed * 2654435761 % 2**32 or 1
    for i in range(count):
        state = (state * 1103515245 + 12345) % 2**31
        out[i] = state >> 16 & 0xFF
    return bytes(out)


def dib(width, bits, seed):
    """A bitmap icon image: header, palette, colour and mask bits."""
    colours = (1 << bits) if bits <= 8 else 0
    colour_row = (width * bits + 31) // 32 * 4
    mask_row = (width + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, width, width * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    return header + noise(colours * 4 + colour_row * width + mask_row * width, seed)


def png(size, seed):
    return b"\x89PNG\r\n\x1a\n" + noise(size - 8, seed)


def ico(images):
    """An .ico file from (width, bits, bytes) images; width 256 is stored as 0."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    table, data = b"", b""
    for width, bits, image in images:
        table += struct.pack("<BBBBHHII", width % 256, width % 256, 0, 0, 1, bits, len(image), offset + len(data))
        data += image
    return out + table + data


def icon_images(count, seed):
    """`count` distinct images (the fourth is a 256-pixel PNG)."""
    shapes = [(16, 4), (32, 8), (48, 32), (256, 32)]
    images = []
    for i in range(count):
        width, bits = shapes[i]
        image = png(3000, seed + i) if width == 256 else dib(width, bits, seed + i)
        images.append((width, bits, image))
    return images


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def resources(pe):
    """{(type, name): [bytes per language]} with names as ints or strings."""
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_id = type_entry.id if type_entry.name is None else str(type_entry.name)
        for name_entry in type_entry.directory.entries:
            name = name_entry.id if name_entry.name is None else str(name_entry.name)
            for lang in name_entry.directory.entries:
                struct_ = lang.data.struct
                found.setdefault((type_id, name), []).append(pe.get_data(struct_.OffsetToData, struct_.Size))
    return found


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def work_dir(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path
