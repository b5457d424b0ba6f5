#!/usr/bin/env python3
"""Turns the rate data files (resources/rates/*.rates) into compiled arrays.

A data file holds one named price array; its name is the file's name without
the extension. Lines:
  # ...                 a comment
  form <Form> <width>   the row form (a RateRowForm name) and words per row
  <word> <word> ...     words of the array: decimal integers, or '?' for a
                        price that is not known (compiled as 0: no price)
The words of a file must fill whole rows. Output: one C++ source file with
the arrays and the sorted table kBuiltInRateArrays (see RateTables.h).
"""
import os
import re
import sys

FORMS = {
    "SingleValue", "WeightPairs", "PerOunce", "PerPound", "ZonedRows",
    "OneZonedRow", "CubicRows", "CubicTierRows", "IntlGroupRows",
    "FirstClassIntlRows", "GXGRows", "MBagRows", "ContractFallbackRow",
    "CodeList", "StructureRows",
}
NAME = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")
INT = re.compile(r"^-?[0-9]+$")


class DataError(Exception):
    pass


def read_table(path):
    name = os.path.splitext(os.path.basename(path))[0]
    if not NAME.match(name):
        raise DataError(f"{path}: '{name}' is not an array name")
    form = None
    width = None
    words = []
    unknown = 0
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split()
            if parts[0] == "form":
                if form is not None or len(parts) != 3 or parts[1] not in FORMS \
                        or not parts[2].isdigit() or int(parts[2]) < 1:
                    raise DataError(f"{path}:{number}: bad form line")
                form, width = parts[1], int(parts[2])
                continue
            if form is None:
                raise DataError(f"{path}:{number}: words before the form line")
            for word in parts:
                if word == "?":
                    words.append(0)
                    unknown += 1
                elif INT.match(word):
                    value = int(word)
                    if not -2**31 <= value < 2**31:
                        raise DataError(f"{path}:{number}: {word} is not an int32")
                    words.append(value)
                else:
                    raise DataError(f"{path}:{number}: '{word}' is not a word")
    if form is None or not words:
        raise DataError(f"{path}: no form line or no words")
    if len(words) % width:
        raise DataError(f"{path}: {len(words)} words do not fill rows of {width}")
    return name, form, width, words, unknown


def generate(paths):
    tables = sorted((read_table(p) for p in paths), key=lambda t: t[0])
    seen = set()
    for t in tables:
        if t[0] in seen:
            raise DataError(f"array {t[0]} given twice")
        seen.add(t[0])
    out = ["// Generated from resources/rates by gen_rate_tables.py; edit the data files.",
           '#include "rateengine/RateTables.h"', "", "namespace {"]
    for name, form, width, words, unknown in tables:
        out.append(f"const int32_t a_{name}[{len(words)}] = {{")
        for i in range(0, len(words), width):
            out.append("  " + ", ".join(str(w) for w in words[i:i + width]) + ",")
        out.append("};")
    out.append("} // namespace")
    out.append("")
    if tables:
        out.append("const BuiltInRateArray kBuiltInRateArrays[] = {")
        for name, form, width, words, unknown in tables:
            out.append(f'  {{"{name}", a_{name}, {len(words)}, {width}, '
                       f"RateRowForm::{form}, {unknown}}},")
        out.append("};")
        out.append(f"const size_t kBuiltInRateArrayCount = {len(tables)};")
    else:
        out.append("const BuiltInRateArray kBuiltInRateArrays[1] = {};")
        out.append("const size_t kBuiltInRateArrayCount = 0;")
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) < 3 or argv[1] != "--out":
        print("usage: gen_rate_tables.py --out FILE.cpp DATA.rates...", file=sys.stderr)
        return 2
    try:
        text = generate(argv[3:])
    except (DataError, OSError) as e:
        print(f"gen_rate_tables: {e}", file=sys.stderr)
        return 1
    out = argv[2]
    old = None
    if os.path.exists(out):
        with open(out, encoding="utf-8") as f:
            old = f.read()
    if old != text:
        with open(out + ".tmp", "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(out + ".tmp", out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
