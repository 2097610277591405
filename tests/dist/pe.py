"""Just enough of the PE format for the release tests: the header time stamps,
imports, exports and resources of a built binary, read without Windows."""
import struct

RT_VERSION, RT_MANIFEST = 16, 24
DIR_EXPORT, DIR_IMPORT, DIR_RESOURCE, DIR_DEBUG = 0, 1, 2, 6


class PeError(Exception):
    pass


class Pe:
    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        (pe,) = struct.unpack_from("<I", data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        (self.machine, sections, self.timestamp, self.symbol_table, self.symbol_count, opt_size, _) = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        self.characteristics = struct.unpack_from("<H", data, pe + 22)[0]
        opt = pe + 24
        (magic,) = struct.unpack_from("<H", data, opt)
        if magic == 0x10B:
            dirs = opt + 96
        elif magic == 0x20B:
            dirs = opt + 112
        else:
            raise PeError(f"unknown optional header magic {magic:#x}")
        self.pe32_plus = magic == 0x20B
        (self.subsystem,) = struct.unpack_from("<H", data, opt + 68)
        (count,) = struct.unpack_from("<I", data, dirs - 4)
        self.directories = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(count)]
        self.sections = []
        table = opt + opt_size
        for i in range(sections):
            name, vsize, rva, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((self._section_name(name), rva, max(vsize, rawsize), rawptr, rawsize))

    def _section_name(self, raw: bytes) -> str:
        name = raw.rstrip(b"\0").decode()
        if name.startswith("/") and self.symbol_table:  # a long name, kept in the string table
            start = self.symbol_table + 18 * self.symbol_count + int(name[1:])
            name = self.data[start:self.data.index(b"\0", start)].decode()
        return name

    def offset(self, rva: int) -> int:
        for _, start, size, rawptr, rawsize in self.sections:
            if start <= rva < start + size:
                if rva - start >= rawsize:
                    raise PeError(f"RVA {rva:#x} has no file data")
                return rawptr + rva - start
        raise PeError(f"RVA {rva:#x} is in no section")

    def directory(self, index: int):
        """(file offset, size) of a data directory, or None when it is absent."""
        if index >= len(self.directories) or self.directories[index][0] == 0:
            return None
        rva, size = self.directories[index]
        return self.offset(rva), size

    def _u32(self, offset: int) -> int:
        return struct.unpack_from("<I", self.data, offset)[0]

    def time_stamps(self) -> dict:
        """Every time stamp the headers hold: the file header's, the export and
        resource directories', and each debug directory entry's."""
        stamps = {"file header": self.timestamp}
        export = self.directory(DIR_EXPORT)
        if export:
            stamps["export directory"] = self._u32(export[0] + 4)
        resource = self.directory(DIR_RESOURCE)
        if resource:
            for i, (_, table) in enumerate(self._resource_tables(resource[0])):
                stamps[f"resource table {i}"] = self._u32(table + 4)
        debug = self.directory(DIR_DEBUG)
        if debug:
            for i in range(debug[1] // 28):
                stamps[f"debug entry {i}"] = self._u32(debug[0] + 28 * i + 4)
        return stamps

    def _entries(self, table: int):
        named, ids = struct.unpack_from("<HH", self.data, table + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, table + 16 + 8 * i)
            yield name, target

    def _resource_tables(self, root: int, table_offset: int = 0, depth: int = 0):
        table = root + table_offset
        yield depth, table
        for _, target in self._entries(table):
            if target & 0x80000000 and depth < 2:
                yield from self._resource_tables(root, target & 0x7FFFFFFF, depth + 1)

    def resources(self, type_id: int) -> dict:
        """{(name id, language): bytes} of every resource of a numeric type."""
        resource = self.directory(DIR_RESOURCE)
        if not resource:
            return {}
        root = resource[0]
        found = {}
        for type_name, type_target in self._entries(root):
            if type_name != type_id or not type_target & 0x80000000:
                continue
            for name, name_target in self._entries(root + (type_target & 0x7FFFFFFF)):
                for language, leaf in self._entries(root + (name_target & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, root + leaf)
                    start = self.offset(rva)
                    found[(name, language)] = self.data[start:start + size]
        return found

    def _cstring(self, offset: int) -> str:
        return self.data[offset:self.data.index(b"\0", offset)].decode("latin-1")

    def imports(self) -> dict:
        """{DLL name: [function name, or ordinal as an int]} of the import table."""
        directory = self.directory(DIR_IMPORT)
        if not directory:
            return {}
        found = {}
        entry = directory[0]
        ordinal_flag, width = (1 << 63, "<Q") if self.pe32_plus else (1 << 31, "<I")
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, entry)
            if not name:
                return found
            functions = found.setdefault(self._cstring(self.offset(name)), [])
            at = self.offset(lookup or thunks)
            while True:
                (value,) = struct.unpack_from(width, self.data, at)
                if not value:
                    break
                functions.append(value & 0xFFFF if value & ordinal_flag else self._cstring(self.offset(value & 0x7FFFFFFF) + 2))
                at += 8 if self.pe32_plus else 4
            entry += 20

    def exports(self) -> dict:
        """{ordinal: name, or None for an export by ordinal only}."""
        directory = self.directory(DIR_EXPORT)
        if not directory:
            return {}
        at = directory[0]
        base, functions, names, address_table, name_table, ordinal_table = struct.unpack_from(
            "<IIIIII", self.data, at + 16)
        addresses = self.offset(address_table)
        found = {base + i: None for i in range(functions) if self._u32(addresses + 4 * i)}
        for i in range(names):
            name = self._cstring(self.offset(self._u32(self.offset(name_table) + 4 * i)))
            index = struct.unpack_from("<H", self.data, self.offset(ordinal_table) + 2 * i)[0]
            found[base + index] = name
        return found

    def version_info(self) -> dict:
        """The version resource: "fixed" (file version, product version, file
        type) and every string of its StringFileInfo tables."""
        blocks = list(self.resources(RT_VERSION).values())
        if len(blocks) != 1:
            raise PeError(f"{len(blocks)} version resources")
        data = blocks[0]
        info = {}

        def walk(at: int, end: int):
            while at + 6 <= end:
                length, value_length, is_text = struct.unpack_from("<HHH", data, at)
                if length == 0:
                    break
                key_end = at + 6
                while data[key_end:key_end + 2] != b"\0\0":
                    key_end += 2
                key = data[at + 6:key_end].decode("utf-16-le")
                value = (key_end + 2 + 3) & ~3
                if key == "VS_VERSION_INFO":
                    sig, _, fv_ms, fv_ls, pv_ms, pv_ls, _, _, _, file_type = struct.unpack_from("<10I", data, value)
                    if sig != 0xFEEF04BD:
                        raise PeError("no VS_FIXEDFILEINFO")
                    info["fixed"] = ((fv_ms >> 16, fv_ms & 0xFFFF, fv_ls >> 16, fv_ls & 0xFFFF),
                                     (pv_ms >> 16, pv_ms & 0xFFFF, pv_ls >> 16, pv_ls & 0xFFFF), file_type)
                    walk((value + value_length + 3) & ~3, at + length)
                elif is_text and value_length and key not in ("StringFileInfo", "VarFileInfo"):
                    info[key] = data[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
                else:
                    children = value + (value_length if not is_text else 2 * value_length)
                    walk((children + 3) & ~3, at + length)
                at = (at + length + 3) & ~3

        walk(0, len(data))
        return info
