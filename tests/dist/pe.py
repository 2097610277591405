"""Just enough of the PE format for the release tests: the header time stamps
and the resources of a built binary, read without Windows."""
import struct

RT_MANIFEST = 24
DIR_EXPORT, DIR_RESOURCE, DIR_DEBUG = 0, 2, 6


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
        opt = pe + 24
        (magic,) = struct.unpack_from("<H", data, opt)
        if magic == 0x10B:
            dirs = opt + 96
        elif magic == 0x20B:
            dirs = opt + 112
        else:
            raise PeError(f"unknown optional header magic {magic:#x}")
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
