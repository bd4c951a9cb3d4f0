"""Reads the exports, records and layout checks out of velmoLibrary.h, for
the development kits' completeness and layout tests."""
import re
from typing import Dict, List, NamedTuple, Optional


class Parameter(NamedTuple):
    type: str   # normalised: "int", "const char *", "MotorParams"
    name: str


class Export(NamedTuple):
    name: str
    result: str
    parameters: List[Parameter]


class Field(NamedTuple):
    type: str            # "uint16_t", "char", ...
    name: str
    length: Optional[int]  # array length, None for a scalar


class LayoutCheck(NamedTuple):
    record: str
    field: Optional[str]  # None: the record's size
    value: int


def strip_comments(text: str) -> str:
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", " ", text)


def normalise_type(text: str) -> str:
    text = re.sub(r"\s*\*\s*", " *", text.strip())
    return re.sub(r"\s+", " ", text).strip()


def _parameter(text: str) -> Parameter:
    match = re.fullmatch(r"(.*?[\s*])(\w+)", text.strip(), flags=re.S)
    if not match:
        raise ValueError("cannot read the parameter %r" % text)
    return Parameter(normalise_type(match.group(1)), match.group(2))


_PROTOTYPE = re.compile(r"\bVELMO_API\s+([^;{}()]*?)\s*\bVELMO_CALL\s+(\w+)\s*\(([^)]*)\)\s*;", re.S)


def exports(header_text: str) -> List[Export]:
    """Every VELMO_API prototype, in header order."""
    found = []
    for result, name, parameters in _PROTOTYPE.findall(strip_comments(header_text)):
        parameters = parameters.strip()
        found.append(Export(name, normalise_type(result),
                            [] if parameters in ("", "void") else [_parameter(p) for p in parameters.split(",")]))
    return found


def records(header_text: str) -> Dict[str, List[Field]]:
    """The typedef'd structs by name, fields in declaration order."""
    found = {}
    for body, name in re.findall(r"typedef\s+struct\s+\w*\s*\{(.*?)\}\s*(\w+)\s*;", strip_comments(header_text), re.S):
        fields = []
        for declaration in filter(None, (piece.strip() for piece in body.split(";"))):
            # A trailing alignment macro (VELMO_ALIGN8) only restates natural alignment.
            match = re.fullmatch(r"(\w+)\s+(\w+)\s*(?:\[\s*(\d+)\s*\])?(?:\s+VELMO_ALIGN8)?", declaration)
            if not match:
                raise ValueError("cannot read the field %r of %s" % (declaration, name))
            fields.append(Field(match.group(1), match.group(2), int(match.group(3)) if match.group(3) else None))
        found[name] = fields
    return found


def layout_checks(header_text: str) -> List[LayoutCheck]:
    """The header's pinned sizes and offsets (VELMO_LAYOUT_CHECK lines)."""
    text = strip_comments(header_text)
    checks = [LayoutCheck(record, None, int(value))
              for record, value in re.findall(r"VELMO_LAYOUT_CHECK\(\s*sizeof\((\w+)\)\s*==\s*(\d+)", text)]
    checks += [LayoutCheck(record, field, int(value)) for record, field, value in
               re.findall(r"VELMO_LAYOUT_CHECK\(\s*offsetof\((\w+),\s*(\w+)\)\s*==\s*(\d+)", text)]
    return checks
