#!/usr/bin/env python3
"""An independent little PST reader for the tests: dumps every node of a Unicode PST
(NBT entry, subnodes, and the heap / BTH / property context / table context inside it) as
JSON, so a written file can be compared with an Outlook-made one. Written from [MS-PST]
alone; it shares no code with the writer."""
import json
import struct
import sys

# [MS-PST] 5.1: the first 256 bytes of mpbbCrypt encode; decoding is their inverse.
_ENCODE = bytes([
    65, 54, 19, 98, 168, 33, 110, 187, 244, 22, 204, 4, 127, 100, 232, 93,
    30, 242, 203, 42, 116, 197, 94, 53, 210, 149, 71, 158, 150, 45, 154, 136,
    76, 125, 132, 63, 219, 172, 49, 182, 72, 95, 246, 196, 216, 57, 139, 231,
    35, 59, 56, 142, 200, 193, 223, 37, 177, 32, 165, 70, 96, 78, 156, 251,
    170, 211, 86, 81, 69, 124, 85, 0, 7, 201, 43, 157, 133, 155, 9, 160,
    143, 173, 179, 15, 99, 171, 137, 75, 215, 167, 21, 90, 113, 102, 66, 191,
    38, 74, 107, 152, 250, 234, 119, 83, 178, 112, 5, 44, 253, 89, 58, 134,
    126, 206, 6, 235, 130, 120, 87, 199, 141, 67, 175, 180, 28, 212, 91, 205,
    226, 233, 39, 79, 195, 8, 114, 128, 207, 176, 239, 245, 40, 109, 190, 48,
    77, 52, 146, 213, 14, 60, 34, 50, 229, 228, 249, 159, 194, 209, 10, 129,
    18, 225, 238, 145, 131, 118, 227, 151, 230, 97, 138, 23, 121, 164, 183, 220,
    144, 122, 92, 140, 2, 166, 202, 105, 222, 80, 26, 17, 147, 185, 82, 135,
    88, 252, 237, 29, 55, 73, 27, 106, 224, 41, 51, 153, 189, 108, 217, 148,
    243, 64, 84, 111, 240, 198, 115, 184, 214, 62, 101, 24, 68, 31, 221, 103,
    16, 241, 12, 25, 236, 174, 3, 161, 20, 123, 169, 11, 255, 248, 163, 192,
    162, 1, 247, 46, 188, 36, 104, 117, 13, 254, 186, 47, 181, 208, 218, 61])
_DECODE = bytearray(256)
for _i, _b in enumerate(_ENCODE):
    _DECODE[_b] = _i
_DECODE = bytes(_DECODE)


class PstError(Exception):
    pass


class Pst:
    def __init__(self, path):
        self.f = open(path, "rb")
        h = self.f.read(0x234)
        if h[0:4] != b"!BDN" or struct.unpack_from("<H", h, 10)[0] < 23:
            raise PstError("not a Unicode PST")
        self.crypt = h[0x201]
        self.rgnid = list(struct.unpack_from("<32I", h, 0x2C))
        self.nbt_root = struct.unpack_from("<QQ", h, 0xD8)
        self.bbt_root = struct.unpack_from("<QQ", h, 0xE8)
        self.blocks = {}
        self._walk(self.bbt_root, 0x80, self._bbt_leaf)
        self.nodes = {}
        self._walk(self.nbt_root, 0x81, self._nbt_leaf)

    def _page(self, ib):
        self.f.seek(ib)
        return self.f.read(512)

    def _walk(self, bref, ptype, leaf):
        p = self._page(bref[1])
        if p[496] != ptype or struct.unpack_from("<Q", p, 504)[0] != bref[0]:
            raise PstError("bad B-tree page at 0x%x" % bref[1])
        cent, _, cbent, level = p[488], p[489], p[490], p[491]
        for i in range(cent):
            e = p[i * cbent:(i + 1) * cbent]
            if level:
                self._walk(struct.unpack_from("<QQ", e, 8), ptype, leaf)
            else:
                leaf(e)

    def _bbt_leaf(self, e):
        bid, ib, cb, cref = struct.unpack_from("<QQHH", e)
        self.blocks[bid & ~1] = (ib, cb, cref)

    def _nbt_leaf(self, e):
        nid, data, sub, parent = struct.unpack_from("<QQQI", e)
        self.nodes[nid & 0xFFFFFFFF] = (data, sub, parent)

    def block(self, bid):
        ib, cb, _ = self.blocks[bid & ~1]
        self.f.seek(ib)
        raw = self.f.read(cb)
        if bid & 2 or self.crypt == 0:
            return raw
        if self.crypt != 1:
            raise PstError("unsupported encoding")
        return raw.translate(_DECODE)

    def data_blocks(self, bid):
        """The external blocks of a data tree, in order."""
        if bid == 0:
            return []
        b = self.block(bid)
        if not bid & 2:
            return [b]
        if b[0] != 1:
            raise PstError("bad XBLOCK 0x%x" % bid)
        n = struct.unpack_from("<H", b, 2)[0]
        out = []
        for i in range(n):
            out += self.data_blocks(struct.unpack_from("<Q", b, 8 + 8 * i)[0])
        return out

    def subnodes(self, bid):
        out = {}
        if bid == 0:
            return out
        b = self.block(bid)
        if b[0] != 2:
            raise PstError("bad subnode block 0x%x" % bid)
        level, n = b[1], struct.unpack_from("<H", b, 2)[0]
        for i in range(n):
            if level == 0:
                nid, data, sub = struct.unpack_from("<QQQ", b, 8 + 24 * i)
                out[nid & 0xFFFFFFFF] = (data, sub)
            else:
                out.update(self.subnodes(struct.unpack_from("<QQ", b, 8 + 16 * i)[1]))
        return out


class Heap:
    """[MS-PST] 2.3.1 heap on node over the blocks of one node."""

    def __init__(self, blocks):
        self.blocks = blocks
        self.items = []
        for i, b in enumerate(blocks):
            ibhnpm = struct.unpack_from("<H", b, 0)[0]
            calloc = struct.unpack_from("<H", b, ibhnpm)[0]
            offs = struct.unpack_from("<%dH" % (calloc + 1), b, ibhnpm + 4)
            self.items.append([b[offs[k]:offs[k + 1]] for k in range(calloc)])
        b0 = blocks[0]
        if b0[2] != 0xEC:
            raise PstError("heap signature")
        self.client_sig = b0[3]
        self.user_root = struct.unpack_from("<I", b0, 4)[0]

    def get(self, hid):
        if hid == 0:
            return b""
        if hid & 0x1F:
            raise PstError("not a HID: 0x%x" % hid)
        return self.items[hid >> 16][((hid >> 5) & 0x7FF) - 1]


def bth_records(heap, hid):
    hdr = heap.get(hid)
    if hdr[0] != 0xB5:
        raise PstError("BTH header")
    cbkey, cbent, levels, root = hdr[1], hdr[2], hdr[3], struct.unpack_from("<I", hdr, 4)[0]
    out = []

    def walk(h, level):
        if h == 0:
            return
        data = heap.get(h)
        size = cbkey + (4 if level else cbent)
        for k in range(0, len(data), size):
            rec = data[k:k + size]
            if level:
                walk(struct.unpack_from("<I", rec, cbkey)[0], level - 1)
            else:
                out.append((rec[:cbkey], rec[cbkey:]))
    walk(root, levels)
    keys = [r[0][::-1] for r in out]
    if keys != sorted(keys):
        raise PstError("BTH keys out of order")
    return cbkey, cbent, out


FIXED = {0x2: 2, 0x3: 4, 0x4: 4, 0x5: 8, 0x6: 8, 0x7: 8, 0xA: 4, 0xB: 1, 0x14: 8, 0x40: 8, 0x48: 16}


def decode_value(ptype, raw):
    if ptype == 0x1F:
        return raw.decode("utf-16-le", "replace")
    if ptype in (0x2, 0x3, 0xA):
        return int.from_bytes(raw[:FIXED[ptype]], "little", signed=ptype != 0xA)
    if ptype == 0xB:
        return bool(raw[0])
    if ptype in (0x14, 0x40, 0x6):
        return struct.unpack_from("<q", raw)[0]
    if ptype in (0x5, 0x7):
        return struct.unpack_from("<d", raw)[0]
    if ptype == 0x4:
        return struct.unpack_from("<f", raw)[0]
    if ptype & 0x1000:
        base = ptype & 0xFFF
        if base in FIXED:
            size = FIXED[base]
            return [decode_value(base, raw[i:i + size]) for i in range(0, len(raw), size)]
        n = struct.unpack_from("<I", raw)[0] if raw else 0
        offs = list(struct.unpack_from("<%dI" % n, raw, 4)) + [len(raw)]
        return [decode_value(base, raw[offs[i]:offs[i + 1]]) for i in range(n)]
    if ptype == 0x0D:
        nid, size = struct.unpack_from("<II", raw)
        return {"object_nid": nid, "size": size}
    return raw.hex()


class Node:
    def __init__(self, pst, nid, data, sub):
        self.pst, self.nid = pst, nid
        self.blocks = pst.data_blocks(data)
        self.sub = pst.subnodes(sub)

    def raw_hnid(self, hnid, heap):
        if hnid & 0x1F == 0:
            return heap.get(hnid)
        data, _ = self.sub[hnid]
        return b"".join(self.pst.data_blocks(data))

    def child(self, nid):
        data, sub = self.sub[nid]
        return Node(self.pst, nid, data, sub)

    def pc(self):
        heap = Heap(self.blocks)
        if heap.client_sig != 0xBC:
            raise PstError("not a PC")
        _, _, recs = bth_records(heap, heap.user_root)
        props = {}
        for key, ent in recs:
            pid = struct.unpack("<H", key)[0]
            ptype, value = struct.unpack("<HI", ent)
            if ptype in FIXED and FIXED[ptype] <= 4:
                raw = struct.pack("<I", value)
            else:
                raw = self.raw_hnid(value, heap)
            props["%04X%04X" % (pid, ptype)] = decode_value(ptype, raw)
        return props

    def tc(self):
        heap = Heap(self.blocks)
        if heap.client_sig != 0x7C:
            raise PstError("not a TC")
        info = heap.get(heap.user_root)
        ccols = info[1]
        rgib = struct.unpack_from("<4H", info, 2)
        hid_rowindex, hnid_rows = struct.unpack_from("<II", info, 10)
        cols = [struct.unpack_from("<IHBB", info, 22 + 8 * i) for i in range(ccols)]
        tags = [c[0] for c in cols]
        if tags != sorted(tags):
            raise PstError("TCOLDESC not sorted")
        _, _, index = bth_records(heap, hid_rowindex)
        rowsize = rgib[3]
        if hnid_rows & 0x1F == 0:
            matrix_blocks = [heap.get(hnid_rows)]
        else:
            matrix_blocks = self.pst.data_blocks(self.sub[hnid_rows][0])
        rows = []
        for b in matrix_blocks:
            for k in range(0, len(b) - rowsize + 1, rowsize):
                rows.append(b[k:k + rowsize])
        out_rows = []
        for key, ent in index:
            row_id = struct.unpack("<I", key)[0]
            pos = struct.unpack("<I", ent)[0]
            row = rows[pos]
            ceb = row[rgib[2]:rgib[3]]
            cells = {}
            for tag, ib, cb, ibit in cols:
                if not ceb[ibit // 8] & (0x80 >> (ibit % 8)):
                    continue
                ptype = tag & 0xFFFF
                cell = row[ib:ib + cb]
                if ptype in FIXED and FIXED[ptype] <= 8:
                    value = decode_value(ptype, cell + b"\0" * 8)
                else:
                    value = decode_value(ptype, self.raw_hnid(struct.unpack("<I", cell)[0], heap))
                cells["%08X" % tag] = value
            if cells.get("67F20003") != row_id:
                raise PstError("row id 0x%x does not match its row" % row_id)
            out_rows.append(cells)
        return {"columns": [["%08X" % c[0], c[1], c[2], c[3]] for c in cols],
                "rgib": list(rgib), "rows": out_rows}

    def describe(self):
        if not self.blocks:
            return {"kind": "empty"}
        b = self.blocks[0]
        if len(b) >= 4 and b[2] == 0xEC:
            if b[3] == 0xBC:
                return {"kind": "pc", "props": self.pc()}
            if b[3] == 0x7C:
                return {"kind": "tc", "table": self.tc()}
        return {"kind": "raw", "size": sum(len(x) for x in self.blocks),
                "hex": b"".join(self.blocks)[:256].hex()}


def dump(path):
    pst = Pst(path)
    out = {"rgnid": pst.rgnid, "nodes": {}}
    for nid in sorted(pst.nodes):
        data, sub, parent = pst.nodes[nid]
        node = Node(pst, nid, data, sub)
        entry = {"parent": "%X" % parent, **node.describe()}
        if node.sub:
            entry["subnodes"] = {"%X" % s: node.child(s).describe() for s in sorted(node.sub)}
        out["nodes"]["%X" % nid] = entry
    return out


if __name__ == "__main__":
    json.dump(dump(sys.argv[1]), sys.stdout, indent=1, ensure_ascii=False, default=str)
