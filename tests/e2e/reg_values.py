#!/usr/bin/env python3
"""Prints the values of a registry export file (UTF-16LE with a byte-order mark, or UTF-8) below a key prefix,
decoded, one "key|name|kind:data" line each (keys and names in lower case), sorted: two files that hold the
same values print the same lines, whichever of the format's spellings they use."""
import sys


def text_of(path):
    raw = open(path, "rb").read()
    if raw[:2] == b"\xff\xfe":
        return raw[2:].decode("utf-16-le")
    return raw.decode("utf-8-sig")


def logical_lines(text):
    lines = []
    for line in text.replace("\r\n", "\n").split("\n"):
        if lines and lines[-1].endswith("\\") and not lines[-1].startswith("["):
            lines[-1] = lines[-1][:-1] + line.strip()
        else:
            lines.append(line.strip())
    return lines


def unquote(text):
    """The quoted text at the front of text, unescaped, and the rest."""
    out, i = [], 1
    while text[i] != '"':
        if text[i] == "\\":
            i += 1
            out.append({"n": "\n", "r": "\r"}.get(text[i], text[i]))
        else:
            out.append(text[i])
        i += 1
    return "".join(out), text[i + 1:]


def utf16(data):
    return bytes(data).decode("utf-16-le")


def value(data):
    if data.startswith('"'):
        return "sz:" + repr(unquote(data)[0])
    if data.lower().startswith("dword:"):
        return "dword:%08x" % int(data[6:], 16)
    kind, _, items = data.partition(":")
    numbers = [int(b, 16) for b in items.replace(" ", "").split(",") if b]
    kind = kind.lower()
    if kind == "hex(1)":
        return "sz:" + repr(utf16(numbers).rstrip("\0"))
    if kind == "hex(2)":
        return "expand_sz:" + repr(utf16(numbers).rstrip("\0"))
    if kind == "hex(7)":
        return "multi_sz:" + repr([s for s in utf16(numbers).split("\0") if s])
    if kind == "hex(4)":
        return "dword:%08x" % int.from_bytes(bytes(numbers), "little")
    names = {"hex": "binary", "hex(0)": "none", "hex(b)": "qword"}
    return names.get(kind, kind) + ":" + bytes(numbers).hex()


def main(path, prefix):
    key, out = "", []
    for line in logical_lines(text_of(path)):
        if line.startswith("["):
            key = line[1:-1].lower()
        elif key.startswith(prefix.lower()) and (line.startswith('"') or line.startswith("@")):
            if line.startswith("@"):
                name, data = "@", line[1:].lstrip()[1:].lstrip()
            else:
                name, rest = unquote(line)
                data = rest.lstrip()[1:].lstrip()
            out.append("%s|%s|%s" % (key, name.lower(), value(data)))
    print("\n".join(sorted(out)))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
