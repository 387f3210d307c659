#!/usr/bin/env python3
"""Writes a chain of DLLs: c00000.dll imports c00001.dll, which imports c00002.dll, and so on;
the last imports the missing c<count>.dll. Each is a copy of the fixture DLL given (which
imports fxroot.dll among others), left with that one import, renamed (same name length).

    make_import_chain.py fxb.dll out_folder count
"""
import os
import struct
import sys


def main():
    source, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    data = bytearray(open(source, 'rb').read())
    u16 = lambda o: struct.unpack_from('<H', data, o)[0]
    u32 = lambda o: struct.unpack_from('<I', data, o)[0]
    nt = u32(0x3C)
    sections = u16(nt + 6)
    opt = nt + 24
    table = opt + u16(nt + 20)
    pe64 = u16(opt) == 0x20B
    imports_rva = u32(opt + (112 if pe64 else 96) + 8)

    def offset(rva):
        for i in range(sections):
            s = table + 40 * i
            va, raw, ptr = u32(s + 12), u32(s + 16), u32(s + 20)
            if va <= rva < va + raw:
                return rva - va + ptr
        raise SystemExit('RVA %#x is in no section' % rva)

    def name_at(o):
        return bytes(data[o:data.index(0, o)]).decode('ascii')

    descriptors = []
    d = offset(imports_rva)
    while u32(d + 12):
        descriptors.append(d)
        d += 20
    keep = [x for x in descriptors if name_at(offset(u32(x + 12))).lower() == 'fxroot.dll']
    if len(descriptors) < 2 or not keep:
        raise SystemExit('%s does not import fxroot.dll beside another module' % source)
    name_offset = offset(u32(keep[0] + 12))
    kept = bytes(data[keep[0]:keep[0] + 20])
    data[descriptors[0]:descriptors[0] + 20] = kept
    data[descriptors[1]:descriptors[1] + 20] = bytes(20)

    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        data[name_offset:name_offset + 10] = ('c%05d.dll' % (i + 1)).encode('ascii')
        with open(os.path.join(folder, 'c%05d.dll' % i), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
