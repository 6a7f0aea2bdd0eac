"""Structural validator for the compound files we write.

Stricter than any reader: it holds our files to what a careful writer must produce
(header values, exact allocation-table counts, every sector in exactly one chain,
ordered sibling trees, clean free entries), so that a fault shows up here before some
other program trips over it. Readers are lenient on purpose; this is not a reader.

Usage as a script: cfb_validate.py FILE...   (exit 1 when a file has errors)
"""

import math
import struct
import sys

SIGNATURE = bytes.fromhex("D0CF11E0A1B11AE1")
MAXREGSECT = 0xFFFFFFFA
DIFSECT = 0xFFFFFFFC
FATSECT = 0xFFFFFFFD
ENDOFCHAIN = 0xFFFFFFFE
FREESECT = 0xFFFFFFFF
NOSTREAM = 0xFFFFFFFF
MINI_SECTOR = 64
CUTOFF = 4096
ENTRY_SIZE = 128

TYPE_UNUSED, TYPE_STORAGE, TYPE_STREAM, TYPE_ROOT = 0, 1, 2, 5
RED, BLACK = 0, 1


class Invalid(Exception):
    """A fault that makes further checks meaningless."""


def simple_upper(unit):
    """Simple (1:1) uppercase of one UTF-16 code unit, as the sibling order needs.

    Python only offers full case mapping; where that gives several characters, the
    simple mapping is the character itself, except for the Greek letters with
    ypogegrammeni, which map to their title-case forms.
    """
    if 0xD800 <= unit <= 0xDFFF:
        return unit
    if 0x1F80 <= unit <= 0x1FAF and (unit & 0xF) < 8:
        return unit + 8
    if unit in (0x1FB3, 0x1FC3, 0x1FF3):
        return unit + 9
    upper = chr(unit).upper()
    if len(upper) != 1 or ord(upper) > 0xFFFF:
        return unit
    return ord(upper)


def order_key(units):
    """Sibling order: shorter names first, then unit by unit after simple uppercasing."""
    return (len(units), [simple_upper(u) for u in units])


class Entry:
    def __init__(self, index, raw):
        self.index = index
        self.raw = raw
        self.name_bytes = raw[0:64]
        (self.name_length, self.type, self.colour, self.left, self.right, self.child) = struct.unpack_from(
            "<HBBIII", raw, 0x40)
        self.clsid = raw[0x50:0x60]
        (self.state_bits, self.ctime, self.mtime, self.start, self.size_low, self.size_high) = struct.unpack_from(
            "<IQQIII", raw, 0x60)
        self.units = []
        if 2 <= self.name_length <= 64 and self.name_length % 2 == 0:
            count = self.name_length // 2 - 1
            self.units = list(struct.unpack_from("<%dH" % count, raw, 0)) if count else []

    @property
    def name(self):
        return b"".join(struct.pack("<H", u) for u in self.units).decode("utf-16-le", "surrogatepass")

    def label(self):
        return "entry %d (%r)" % (self.index, self.name)


class Validator:
    def __init__(self, data):
        self.data = data
        self.errors = []
        self.warnings = []

    def error(self, message):
        self.errors.append(message)

    def warn(self, message):
        self.warnings.append(message)

    # -- header -------------------------------------------------------------------

    def check_header(self):
        d = self.data
        if len(d) < 512 or d[:8] != SIGNATURE:
            raise Invalid("no compound-file signature")
        (self.minor, self.major, byte_order, self.shift, mini_shift) = struct.unpack_from("<HHHHH", d, 0x18)
        (self.dir_sector_count, self.fat_count, self.first_dir, self.transaction, cutoff, self.first_minifat,
         self.minifat_count, self.first_difat, self.difat_count) = struct.unpack_from("<9I", d, 0x28)
        self.header_difat = list(struct.unpack_from("<109I", d, 0x4C))
        if d[8:24] != bytes(16):
            self.error("header CLSID is not zero")
        if self.minor != 0x3E:
            self.error("minor version 0x%X, expected 0x3E" % self.minor)
        if (self.major, self.shift) not in ((3, 9), (4, 12)):
            raise Invalid("major version %d with sector shift %d" % (self.major, self.shift))
        if byte_order != 0xFFFE:
            self.error("byte order 0x%04X" % byte_order)
        if mini_shift != 6:
            self.error("mini sector shift %d" % mini_shift)
        if d[0x22:0x28] != bytes(6):
            self.error("reserved header bytes are not zero")
        if self.major == 3 and self.dir_sector_count != 0:
            self.error("directory sector count %d in a version 3 file" % self.dir_sector_count)
        if self.transaction != 0:
            self.error("transaction signature %d" % self.transaction)
        if cutoff != CUTOFF:
            self.error("mini stream cutoff %d" % cutoff)
        self.sector_size = 1 << self.shift
        if self.major == 4 and d[512:4096] != bytes(len(d[512:4096])):
            self.error("version 4 header sector is not zero after 512 bytes")
        if len(d) % self.sector_size != 0:
            self.error("file length %d is not whole %d-byte sectors" % (len(d), self.sector_size))
        self.sector_count = len(d) // self.sector_size - 1
        if self.sector_count < 2:
            raise Invalid("file of %d bytes has no room for a FAT and a directory" % len(d))

    def sector(self, number):
        offset = (number + 1) * self.sector_size
        return self.data[offset:offset + self.sector_size]

    def sector_words(self, number):
        return list(struct.unpack("<%dI" % (self.sector_size // 4), self.sector(number)))

    def in_file(self, number):
        return number < self.sector_count

    # -- DIFAT and FAT ------------------------------------------------------------

    def load_difat(self):
        per_sector = self.sector_size // 4 - 1
        expected = max(0, math.ceil((self.fat_count - 109) / per_sector))
        if self.difat_count != expected:
            self.error("DIFAT sector count %d, expected %d for %d FAT sectors" % (
                self.difat_count, expected, self.fat_count))
        entries = list(self.header_difat)
        self.difat_sectors = []
        number = self.first_difat
        if self.difat_count == 0 and number != ENDOFCHAIN:
            self.error("first DIFAT sector 0x%X with no DIFAT sectors" % number)
        while number != ENDOFCHAIN and len(self.difat_sectors) < self.difat_count:
            if not self.in_file(number) or number in self.difat_sectors:
                raise Invalid("DIFAT chain reaches sector 0x%X" % number)
            self.difat_sectors.append(number)
            words = self.sector_words(number)
            entries.extend(words[:-1])
            number = words[-1]
        if len(self.difat_sectors) != self.difat_count:
            self.error("DIFAT chain has %d sectors, header says %d" % (len(self.difat_sectors), self.difat_count))
        elif self.difat_count and number != ENDOFCHAIN:
            self.error("last DIFAT sector points on to 0x%X, not ENDOFCHAIN" % number)
        self.fat_sectors = entries[:self.fat_count]
        for position, number in enumerate(self.fat_sectors):
            if not self.in_file(number):
                raise Invalid("DIFAT entry %d is 0x%X, not a sector of the file" % (position, number))
        if len(set(self.fat_sectors)) != len(self.fat_sectors):
            self.error("a FAT sector is listed twice in the DIFAT")
        if any(e != FREESECT for e in entries[self.fat_count:]):
            self.error("DIFAT entries after the %d FAT sectors are not all FREESECT" % self.fat_count)

    def load_fat(self):
        self.fat = []
        for number in self.fat_sectors:
            self.fat.extend(self.sector_words(number))
        if len(self.fat) < self.sector_count:
            # Readers ignore what lies past the FAT; check the rest as they would see it.
            self.error("FAT has %d entries for %d sectors: the file has bytes past its last sector" % (
                len(self.fat), self.sector_count))
            self.sector_count = len(self.fat)
        for number in range(self.sector_count, len(self.fat)):
            if self.fat[number] != FREESECT:
                self.error("FAT entry %d past the end of the file is 0x%X" % (number, self.fat[number]))
                break
        marked_fat = {n for n in range(self.sector_count) if self.fat[n] == FATSECT}
        marked_difat = {n for n in range(self.sector_count) if self.fat[n] == DIFSECT}
        if marked_fat != set(self.fat_sectors):
            self.error("sectors marked FATSECT %s differ from the FAT sectors %s" % (
                sorted(marked_fat)[:8], sorted(self.fat_sectors)[:8]))
        if marked_difat != set(self.difat_sectors):
            self.error("sectors marked DIFSECT %s differ from the DIFAT sectors %s" % (
                sorted(marked_difat)[:8], self.difat_sectors[:8]))
        for number in range(self.sector_count):
            value = self.fat[number]
            if value <= MAXREGSECT and value >= self.sector_count:
                self.error("FAT entry %d points past the end of the file (0x%X)" % (number, value))
            elif MAXREGSECT <= value < DIFSECT:
                self.error("FAT entry %d holds the reserved value 0x%X" % (number, value))
        last_used = max((n for n in range(self.sector_count) if self.fat[n] != FREESECT), default=-1)
        if last_used + 1 != self.sector_count:
            self.warn("file ends with %d free sectors" % (self.sector_count - last_used - 1))

    # -- chains -------------------------------------------------------------------

    def follow(self, table, start, owner, owners, limit, what):
        """Follows a chain in `table`, claiming each link for `owner`; returns its links."""
        chain = []
        number = start
        while number != ENDOFCHAIN:
            if number >= limit or number > MAXREGSECT:
                self.error("%s: chain reaches 0x%X" % (what, number))
                break
            if number in owners:
                self.error("%s: sector %d already belongs to %s" % (what, number, owners[number]))
                break
            owners[number] = owner
            chain.append(number)
            number = table[number]
        return chain

    def check_chain_length(self, chain, size, unit, what):
        needed = (size + unit - 1) // unit
        if len(chain) != needed:
            self.error("%s: chain of %d sectors for %d bytes (needs %d)" % (what, len(chain), size, needed))

    # -- directory ----------------------------------------------------------------

    def load_directory(self):
        self.owners = {}
        for number in self.fat_sectors:
            self.owners[number] = "the FAT"
        for number in self.difat_sectors:
            self.owners[number] = "the DIFAT"
        chain = self.follow(self.fat, self.first_dir, "the directory", self.owners, self.sector_count, "directory")
        self.dir_chain = chain
        if not chain:
            raise Invalid("no directory sectors")
        if self.major == 4 and self.dir_sector_count != len(chain):
            self.error("directory sector count %d, chain has %d" % (self.dir_sector_count, len(chain)))
        raw = b"".join(self.sector(n) for n in chain)
        self.entries = [Entry(i, raw[i * ENTRY_SIZE:(i + 1) * ENTRY_SIZE]) for i in range(len(raw) // ENTRY_SIZE)]
        root = self.entries[0]
        if root.type != TYPE_ROOT or root.name != "Root Entry" or root.name_length != 22:
            self.error("entry 0 is not the root: type %d, name %r" % (root.type, root.name))

    def check_entry(self, e):
        if e.type == TYPE_UNUSED:
            expected = bytes(0x44) + b"\xff" * 12 + bytes(ENTRY_SIZE - 0x50)
            if e.raw != expected:
                self.error("unused entry %d is not zero with NOSTREAM links" % e.index)
            return
        if e.type not in (TYPE_STORAGE, TYPE_STREAM, TYPE_ROOT) or (e.type == TYPE_ROOT) != (e.index == 0):
            self.error("%s has type %d" % (e.label(), e.type))
        if not (2 <= e.name_length <= 64 and e.name_length % 2 == 0):
            self.error("entry %d has name length %d" % (e.index, e.name_length))
            return
        count = e.name_length // 2 - 1
        if count == 0 or 0 in e.units:
            self.error("%s: empty name or NUL inside the name" % e.label())
        if e.name_bytes[count * 2:] != bytes(64 - count * 2):
            self.error("%s: name field not NUL-terminated and zero-filled" % e.label())
        if any(u in (0x2F, 0x5C, 0x3A, 0x21) for u in e.units):
            self.error("%s: name holds / \\ : or !" % e.label())
        if e.colour not in (RED, BLACK):
            self.error("%s: colour %d" % (e.label(), e.colour))
        if self.major == 3 and e.size_high != 0:
            self.error("%s: size high dword 0x%X in a version 3 file" % (e.label(), e.size_high))
        if e.type == TYPE_STREAM:
            if e.child != NOSTREAM:
                self.error("%s: a stream with a child" % e.label())
            if e.clsid != bytes(16) or e.state_bits or e.ctime or e.mtime:
                self.error("%s: stream with CLSID, state bits or times set" % e.label())
            if e.size_low == 0 and e.size_high == 0 and e.start != ENDOFCHAIN:
                self.error("%s: empty stream starts at 0x%X, not ENDOFCHAIN" % (e.label(), e.start))
        if e.type == TYPE_STORAGE and (e.start != 0 or e.size_low or e.size_high):
            self.error("%s: storage with start %d and size %d" % (e.label(), e.start, e.size_low))
        if e.type == TYPE_ROOT and e.ctime != 0:
            self.error("root entry has a creation time")

    def size_of(self, e):
        return e.size_low if self.major == 3 else e.size_low | (e.size_high << 32)

    # -- sibling trees ------------------------------------------------------------

    def walk_trees(self):
        """Visits every storage's sibling tree; each used entry must be reached once."""
        self.reached = {0: "the root"}
        pending = [0]
        while pending:
            parent = self.entries[pending.pop()]
            members = self.check_tree(parent)
            pending.extend(m for m in members if self.entries[m].type == TYPE_STORAGE)
        for e in self.entries:
            if e.type != TYPE_UNUSED and e.index not in self.reached:
                self.error("%s is in no storage" % e.label())

    def check_tree(self, parent):
        """In-order walk of one sibling tree: order, colours, depth. Returns member ids."""
        members = []
        stack = []  # (id, depth, red parent)
        node, depth, parent_red = parent.child, 1, False
        max_depth = 0
        previous = None
        while stack or node != NOSTREAM:
            while node != NOSTREAM:
                if node >= len(self.entries):
                    self.error("%s: sibling tree reaches entry 0x%X" % (parent.label(), node))
                    node = NOSTREAM
                    break
                e = self.entries[node]
                if node in self.reached or e.type in (TYPE_UNUSED, TYPE_ROOT):
                    self.error("%s: sibling tree reaches %s again or unused" % (parent.label(), e.label()))
                    node = NOSTREAM
                    break
                self.reached[node] = parent.label()
                if e.colour == RED and parent_red:
                    self.error("%s: red %s has a red parent" % (parent.label(), e.label()))
                max_depth = max(max_depth, depth)
                stack.append((node, depth, e.colour == RED))
                node, depth, parent_red = e.left, depth + 1, e.colour == RED
            if not stack:
                break
            current, current_depth, current_red = stack.pop()
            e = self.entries[current]
            members.append(current)
            if previous is not None and order_key(previous.units) >= order_key(e.units):
                self.error("%s: %r is not ordered before %r" % (parent.label(), previous.name, e.name))
            previous = e
            node, depth, parent_red = e.right, current_depth + 1, current_red
        if members and max_depth > 2 * math.log2(len(members) + 1) + 1:
            self.warn("%s: sibling tree of %d entries is %d deep" % (parent.label(), len(members), max_depth))
        return members

    # -- streams ------------------------------------------------------------------

    def check_streams(self):
        root = self.entries[0]
        root_size = self.size_of(root)
        minifat_chain = self.follow(self.fat, self.first_minifat, "the miniFAT", self.owners, self.sector_count,
                                    "miniFAT")
        if len(minifat_chain) != self.minifat_count:
            self.error("miniFAT chain has %d sectors, header says %d" % (len(minifat_chain), self.minifat_count))
        minifat = []
        for number in minifat_chain:
            minifat.extend(self.sector_words(number))
        ministream_chain = self.follow(self.fat, root.start, "the mini stream", self.owners, self.sector_count,
                                       "mini stream") if root_size or root.start != ENDOFCHAIN else []
        self.check_chain_length(ministream_chain, root_size, self.sector_size, "mini stream")
        if root_size % MINI_SECTOR:
            self.error("mini stream size %d is not whole mini sectors" % root_size)
        mini_count = root_size // MINI_SECTOR
        if len(minifat) < mini_count:
            self.error("miniFAT has %d entries for %d mini sectors" % (len(minifat), mini_count))
        ministream = b"".join(self.sector(n) for n in ministream_chain)
        mini_owners = {}
        for e in self.entries:
            if e.type == TYPE_STREAM:
                self.check_stream(e, minifat, mini_count, mini_owners, ministream)
        for number in range(len(minifat)):
            if minifat[number] != FREESECT and number not in mini_owners:
                self.error("mini sector %d is allocated but in no stream" % number)
            if number >= mini_count and minifat[number] != FREESECT:
                self.error("miniFAT entry %d past the mini stream is not free" % number)
        used = max(mini_owners, default=-1) + 1
        if root_size != used * MINI_SECTOR:
            self.error("root size %d, but %d mini sectors are in use (needs %d)" % (
                root_size, used, used * MINI_SECTOR))
        for number in range(self.sector_count):
            if self.fat[number] != FREESECT and number not in self.owners:
                self.error("sector %d is allocated (0x%X) but in no chain" % (number, self.fat[number]))
            elif self.fat[number] == FREESECT and number in self.owners:
                self.error("sector %d is in %s but marked free" % (number, self.owners[number]))

    def check_stream(self, e, minifat, mini_count, mini_owners, ministream):
        size = self.size_of(e)
        if size == 0:
            return
        if size < CUTOFF:
            chain = self.follow(minifat, e.start, e.label(), mini_owners, mini_count, e.label())
            self.check_chain_length(chain, size, MINI_SECTOR, e.label())
            if chain and len(chain) == (size + MINI_SECTOR - 1) // MINI_SECTOR:
                used = size % MINI_SECTOR or MINI_SECTOR
                tail = ministream[chain[-1] * MINI_SECTOR:(chain[-1] + 1) * MINI_SECTOR][used:]
                if tail != bytes(len(tail)):
                    self.warn("%s: old bytes after the end in its last mini sector" % e.label())
        else:
            chain = self.follow(self.fat, e.start, e.label(), self.owners, self.sector_count, e.label())
            self.check_chain_length(chain, size, self.sector_size, e.label())
            if chain and len(chain) == (size + self.sector_size - 1) // self.sector_size:
                used = size % self.sector_size or self.sector_size
                tail = self.sector(chain[-1])[used:]
                if tail != bytes(len(tail)):
                    self.warn("%s: old bytes after the end in its last sector" % e.label())

    def run(self):
        try:
            self.check_header()
            self.load_difat()
            self.load_fat()
            self.load_directory()
            for e in self.entries:
                self.check_entry(e)
            self.walk_trees()
            self.check_streams()
        except Invalid as fault:
            self.error(str(fault))
        return self


def validate(data):
    """Returns (errors, warnings), each a list of sentences."""
    v = Validator(data).run()
    return v.errors, v.warnings


def main(paths):
    status = 0
    for path in paths:
        with open(path, "rb") as f:
            errors, warnings = validate(f.read())
        for message in errors:
            print("%s: error: %s" % (path, message))
        for message in warnings:
            print("%s: warning: %s" % (path, message))
        status |= 1 if errors else 0
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
