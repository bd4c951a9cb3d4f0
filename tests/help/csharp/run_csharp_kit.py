#!/usr/bin/env python3
"""Tests of the C# development kit as installed in the help folder.

    run_csharp_kit.py coverage <velmoLibrary.h> <kit dir>
    run_csharp_kit.py layout   <velmoLibrary.h> <kit dir> <C layout program> <mcs> <mono>
    run_csharp_kit.py example  <kit dir> <mcs> <mono>
    run_csharp_kit.py api      <kit dir> <mcs> <mono>

The programs run against the virtual controller; LD_LIBRARY_PATH comes from
the test environment. Exits non-zero with the reasons on a failure.
"""
import json
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree free of __pycache__
sys.path.insert(0, os.path.join(HERE, os.pardir, "python"))
import velmo_header  # noqa: E402

# C parameter type -> the C# forms that marshal it correctly.
_RECORD_POINTER = ("out {0}", "ref {0}")
ALLOWED_FORMS = {
    "void": {"void"},
    "int": {"int"},
    "double": {"double"},
    "int *": {"int[]", "out int", "ref int"},
    "short *": {"out short", "ref short"},
    "const char *": {"byte[]", "string"},
    "MotorParams": {"MotorParams"},
    "const PosConpenPoint *": {"PosConpenPoint[]"},
    "PosConpenPoint *": {"PosConpenPoint[]"},
}
for _record in ("MotorStageState", "CONTROLER_STATE", "MotorParams"):
    ALLOWED_FORMS[_record + " *"] = {form.format(_record) for form in _RECORD_POINTER}
# char *: a 32-byte text buffer, or a one-byte output flag.
TEXT_BUFFER_FORMS = {"byte[]", "StringBuilder"}
FLAG_FORMS = {"out byte", "ref byte", "out sbyte", "ref sbyte", "out bool", "ref bool"}


class Declaration:
    def __init__(self, name, result, parameters, attribute):
        self.name, self.result, self.parameters, self.attribute = name, result, parameters, attribute


def _split_top_level(text):
    parts, depth, current = [], 0, ""
    for character in text:
        if character in "([":
            depth += 1
        elif character in ")]":
            depth -= 1
        if character == "," and depth == 0:
            parts.append(current)
            current = ""
        else:
            current += character
    if current.strip():
        parts.append(current)
    return parts


def csharp_declarations(source):
    """Every [DllImport] extern method: name, result type and parameters as
    (attributes, form, name), where form is "out int", "byte[]", ..."""
    source = re.sub(r"//[^\n]*", "", source)
    declarations = []
    pattern = re.compile(r"\[DllImport\(([^\]]*)\)\]\s*public\s+static\s+extern\s+([\w\[\]]+)\s+(\w+)\s*\(")
    for match in pattern.finditer(source):
        depth, position = 1, match.end()
        while depth:
            depth += {"(": 1, ")": -1}.get(source[position], 0)
            position += 1
        parameters = []
        for parameter in _split_top_level(source[match.end():position - 1]):
            # Attributes like [Out] or [MarshalAs(...)], not the [] of an array type.
            attributes = " ".join(re.findall(r"\[\s*([A-Za-z][^\]]*)\]", parameter))
            words = re.sub(r"\[\s*[A-Za-z][^\]]*\]", " ", parameter).split()
            parameters.append((attributes, " ".join(words[:-1]), words[-1]))
        declarations.append(Declaration(match.group(3), match.group(2), parameters, match.group(1)))
    return declarations


def coverage_problems(header_text, csharp_source):
    """What is missing or mismarshalled in the C# declarations, one line each."""
    problems = []
    exports = {export.name: export for export in velmo_header.exports(header_text)}
    declared = {}
    for declaration in csharp_declarations(csharp_source):
        if declaration.name in declared:
            problems.append("%s: declared twice" % declaration.name)
        declared[declaration.name] = declaration
    for name in sorted(set(exports) - set(declared)):
        problems.append("%s: no DllImport" % name)
    for name in sorted(set(declared) - set(exports)):
        problems.append("%s: DllImport of a function the header does not export" % name)
    for name in sorted(set(exports) & set(declared)):
        export, declaration = exports[name], declared[name]
        if "CallingConvention.Cdecl" not in declaration.attribute:
            problems.append("%s: not CallingConvention.Cdecl" % name)
        if not re.match(r"\s*(LibraryName|\"velmoLibrary\")", declaration.attribute):
            problems.append("%s: not imported from velmoLibrary" % name)
        if declaration.result not in ALLOWED_FORMS.get(export.result, ()):
            problems.append("%s: returns %s for C %s" % (name, declaration.result, export.result))
        if len(declaration.parameters) != len(export.parameters):
            problems.append("%s: %d parameters, the header has %d"
                            % (name, len(declaration.parameters), len(export.parameters)))
            continue
        for c_parameter, (attributes, form, _) in zip(export.parameters, declaration.parameters):
            where = "%s(%s %s)" % (name, c_parameter.type, c_parameter.name)
            if c_parameter.type == "char *":
                allowed = TEXT_BUFFER_FORMS if c_parameter.name == "buffer" else FLAG_FORMS
            else:
                allowed = ALLOWED_FORMS.get(c_parameter.type)
            if allowed is None:
                problems.append("%s: no known C# form for this C type" % where)
            elif form not in allowed:
                problems.append("%s: declared as %s, expected one of %s" % (where, form, ", ".join(sorted(allowed))))
            elif form.endswith("bool") and "UnmanagedType.U1" not in attributes:
                problems.append("%s: a one-byte flag as bool needs [MarshalAs(UnmanagedType.U1)]" % where)
    return problems


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def check_coverage(header, kit):
    header_text, source = read(header), read(os.path.join(kit, "Velmo.cs"))
    problems = coverage_problems(header_text, source)
    for problem in problems:
        print("FAIL:", problem)
    if problems:
        sys.exit(1)
    print("every one of the %d exports has a matching DllImport" % len(velmo_header.exports(header_text)))
    # The check must notice a new export and a flag marshalled as a 4-byte bool.
    grown = header_text + "\nVELMO_API int VELMO_CALL\n  setFutureThing(int id, int axis);\n"
    if coverage_problems(grown, source) != ["setFutureThing: no DllImport"]:
        fail("a new export went unnoticed: %s" % coverage_problems(grown, source))
    loose = source.replace("[MarshalAs(UnmanagedType.U1)] out bool ok", "out bool ok")
    if loose == source or not any("UnmanagedType.U1" in p for p in coverage_problems(header_text, loose)):
        fail("a bool flag without MarshalAs U1 went unnoticed")
    swapped = source.replace("getMotorParams(int id, int axis, ref MotorParams", "getMotorParams(int id, int axis, MotorParams")
    if swapped == source or not coverage_problems(header_text, swapped):
        fail("a record passed by value instead of by reference went unnoticed")


def compile_kit(kit, mcs, sources, folder, name):
    output = os.path.join(folder, name + ".exe")
    command = [mcs, "-unsafe", "-warn:4", "-warnaserror", "-nologo", "-out:" + output,
               os.path.join(kit, "Velmo.cs")] + sources
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        fail("mcs failed:\n%s%s" % (result.stdout, result.stderr))
    return output


def run(mono, program, arguments=(), scenario=None, folder=None):
    env = dict(os.environ)
    if scenario is not None:
        env["VELMO_SIM_SCENARIO"] = json.dumps(scenario)
    return subprocess.run([mono, program] + list(arguments), env=env, cwd=folder, capture_output=True, text=True,
                          timeout=300)


def check_layout(header, kit, c_program, mcs, mono):
    records = list(velmo_header.records(read(header)))
    expected = subprocess.run([c_program], capture_output=True, text=True, check=True).stdout.splitlines()
    with tempfile.TemporaryDirectory() as folder:
        program = compile_kit(kit, mcs, [os.path.join(HERE, "LayoutCheck.cs")], folder, "LayoutCheck")
        result = run(mono, program, records)
    actual = result.stdout.splitlines()
    if sorted(actual) != sorted(expected) or result.returncode != 0:
        for line in sorted(set(expected) - set(actual)):
            print("C:  ", line)
        for line in sorted(set(actual) - set(expected)):
            print("C#: ", line)
        fail("the C# records' marshalled layout differs from velmoLibrary.h")
    print("%d records, %d fields laid out as in C" % (len(records), len(expected) - len(records)))


def check_api(kit, mcs, mono):
    with tempfile.TemporaryDirectory() as folder:
        program = compile_kit(kit, mcs, [os.path.join(HERE, "KitCheck.cs")], folder, "KitCheck")
        result = run(mono, program, scenario={"timeScale": 10})
    print(result.stdout, result.stderr if result.returncode else "", sep="")
    if result.returncode != 0 or "FAIL" in result.stdout or "all checks passed" not in result.stdout:
        fail("KitCheck failed")


def expect_lines(output, lines):
    for line in lines:
        if line not in output.splitlines():
            fail("missing output line %r in:\n%s" % (line, output))


def check_example(kit, mcs, mono):
    with tempfile.TemporaryDirectory() as folder:
        program = compile_kit(kit, mcs, [os.path.join(kit, "examples", "MoveAxis.cs")], folder, "MoveAxis")
        state_file = os.path.join(folder, "state.json")
        scenario = {"timeScale": 5, "stateFile": state_file}

        result = run(mono, program, ["20"], scenario, folder)
        if result.returncode != 0:
            fail("MoveAxis.exe 20 exited with %d:\n%s%s" % (result.returncode, result.stdout, result.stderr))
        print(result.stdout)
        expect_lines(result.stdout, [
            "controllers: 14",
            "controller 14: model VM-3A, serial VM-0001, firmware VM 1.0.0, 3 axes",
            "axis 0: stage VLS-50, serial L50-00017, unit mm",
            "speed 10.000 mm/s, acceleration 50.000 mm/s²",
            "from 10.0000 mm to 20.0000 mm",
        ])
        lines = result.stdout.splitlines()
        moving = [float(line.split()[1]) for line in lines if line.startswith("  moving:")]
        if not moving or moving != sorted(moving) or not all(10.0 <= value < 20.0 for value in moving):
            fail("positions on the way: %s" % moving)
        if lines[-1] != "stopped at 20.0000 mm (target 20.0000)":
            fail("last line: %r" % lines[-1])
        # What reached the controller, from its saved state.
        axis = json.loads(read(state_file))["controllers"]["1:1-4"]["axes"][0]["values"]
        if (axis.get("speed"), axis.get("acceleration"), axis.get("targetPos")) != (10, 50, 20):
            fail("stored speed/acceleration/target: %s" % {k: axis.get(k) for k in ("speed", "acceleration", "targetPos")})

        result = run(mono, program, ["150", "1", "14"], scenario, folder)
        if result.returncode != 0 or not result.stdout.endswith("stopped at 150.0000 deg (target 150.0000)\n"):
            fail("rotation stage move:\n%s%s" % (result.stdout, result.stderr))
        expect_lines(result.stdout, ["axis 1: stage VRS-360, serial R360-00042, unit deg"])

        result = run(mono, program, ["5", "0", "77"], scenario, folder)
        if result.returncode != 2 or "error: openKXDevice: the controller failed to open (-1)" not in result.stderr:
            fail("unknown device: exit %d\n%s%s" % (result.returncode, result.stdout, result.stderr))
        result = run(mono, program, ["five"], scenario, folder)
        if result.returncode != 2 or "usage:" not in result.stderr:
            fail("bad argument: exit %d\n%s" % (result.returncode, result.stderr))
    print("MoveAxis example OK")


def main():
    if len(sys.argv) < 2:
        fail(__doc__)
    command, arguments = sys.argv[1], sys.argv[2:]
    checks = {"coverage": check_coverage, "layout": check_layout, "example": check_example, "api": check_api}
    if command not in checks:
        fail("unknown check %r" % command)
    checks[command](*arguments)


if __name__ == "__main__":
    main()
