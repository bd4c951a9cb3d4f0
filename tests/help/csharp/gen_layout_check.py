#!/usr/bin/env python3
"""Writes a C program that prints the size of every record of velmoLibrary.h
and the offset, size and declared type of each field, one line each, in the
format of LayoutCheck.cs.

    gen_layout_check.py <velmoLibrary.h> <output.c>
"""
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "python"))
import velmo_header  # noqa: E402


def main():
    header, output = sys.argv[1], sys.argv[2]
    with open(header, encoding="utf-8") as file:
        records = velmo_header.records(file.read())
    lines = [
        "/* Generated from velmoLibrary.h by gen_layout_check.py. */",
        "#include <stddef.h>",
        "#include <stdio.h>",
        "",
        "#include \"velmoLibrary.h\"",
        "",
        "#define RECORD(record) printf(#record \" %zu\\n\", sizeof(record))",
        "#define FIELD(record, field, type) \\",
        "    printf(#record \".\" #field \" %zu %zu \" type \"\\n\", offsetof(record, field), sizeof(((record *)0)->field))",
        "",
        "int main(void)",
        "{",
    ]
    for record, fields in records.items():
        lines.append("    RECORD(%s);" % record)
        lines += ['    FIELD(%s, %s, "%s");' % (record, field.name, field.type if field.length is None
                                                   else "%s[%d]" % (field.type, field.length)) for field in fields]
    lines += ["    return 0;", "}", ""]
    text = "\n".join(lines)
    # Rewrite only on change, so the program is not rebuilt for nothing.
    if not os.path.exists(output) or open(output, encoding="utf-8").read() != text:
        with open(output, "w", encoding="utf-8") as file:
            file.write(text)


if __name__ == "__main__":
    main()
