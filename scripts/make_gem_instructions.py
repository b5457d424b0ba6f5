#!/usr/bin/env python3
"""Writes resources/gem_instructions.pdf: the customs instructions printed on
the third page of a Global Express Mail label set (612 x 360 points, drawn
at 20 points above the bottom edge of the sheet). Run from the source tree:

    python3 scripts/make_gem_instructions.py
"""
import os

WIDTH, HEIGHT = 612, 360

TITLE = "Global Express Mail: customs instructions"
LINES = [
    "1. Check the label set: the address label, the customs declaration and its copies.",
    "2. Sign and date every copy of the customs declaration where indicated.",
    "3. Describe each item plainly (for example \"cotton shirts\", not \"clothing\" or \"gift\").",
    "4. Items of one kind valued at more than $2,500, or that need an export license, need",
    "    an Electronic Export Information filing through the Automated Export System (AES);",
    "    enter the Internal Transaction Number (ITN) it gives in the customs dialog.",
    "5. Check the destination country's prohibited and restricted items before mailing.",
    "6. Fold the copies for the customs office into the label pouch and attach it to the",
    "    package; keep the sender's copy.",
    "7. Hand the package to a Post Office retail clerk or schedule a pickup.",
]


def escape(text):
    return text.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")


def content():
    ops = ["0 g 0 G 1 w", f"18 18 {WIDTH - 36} {HEIGHT - 36} re S"]
    ops.append(f"BT /F2 14 Tf 36 {HEIGHT - 52} Td ({escape(TITLE)}) Tj ET")
    y = HEIGHT - 84
    for line in LINES:
        ops.append(f"BT /F1 10 Tf 36 {y} Td ({escape(line)}) Tj ET")
        y -= 22
    return "\n".join(ops).encode("latin-1")


def pdf():
    stream = content()
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        (f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {WIDTH} {HEIGHT}] "
         f"/Resources << /Font << /F1 4 0 R /F2 5 0 R >> >> /Contents 6 0 R >>").encode(),
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>",
        b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream",
    ]
    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, "..", "resources", "gem_instructions.pdf")
    with open(target, "wb") as f:
        f.write(pdf())
