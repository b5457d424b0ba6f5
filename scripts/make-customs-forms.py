#!/usr/bin/env python3
"""Draws the customs form pictures of the bundle and writes the layouts
(Qt Designer forms) whose fields are filled over them, from one description
of each form, so that every box and the field that fills it stay together.

The pictures are outlines of our own drawing (boxes, rules, captions), made
as PostScript and rasterised by Ghostscript at 300 dpi, one bit a pixel:
  - the 2976-A pages for Priority Mail Express International ("emi-..."),
    Priority Mail International ("pmi-..."), domestic Priority Mail
    ("pm-cp72-...") and the other domestic classes ("generic-cp72-..."),
    and the instruction pages "emi_instructions", "pmi_instructions";
  - the CN 22 labels (432 x 288 points) and the lower parts of the 2976
    page (612 x 396 points).
The layouts are src/printing/customs/Intl2976A.ui, Domestic2976A.ui and
Intl2976.ui. Geometry is in points with the origin at the top left.

Usage: make-customs-forms.py <source tree>   (needs Ghostscript, "gs")
"""
import os
import subprocess
import sys
import tempfile

PAGE_W, PAGE_H = 612, 792
HALF = 396

# ---------------------------------------------------------------- pictures


def ps_string(text):
    return "(" + text.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)") + ")"


class Picture:
    """PostScript drawing in top-left coordinates."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.ops = []

    def y(self, y):
        return self.height - y

    def rect(self, x, y, w, h, lw=0.8, dash=False):
        d = "[3 2] 0 setdash" if dash else "[] 0 setdash"
        self.ops.append(f"{d} {lw} setlinewidth newpath {x} {self.y(y + h)} {w} {h} rectstroke")

    def fill(self, x, y, w, h, gray=0.85):
        self.ops.append(f"gsave {gray} setgray {x} {self.y(y + h)} {w} {h} rectfill grestore")

    def line(self, x0, y0, x1, y1, lw=0.6, dash=False):
        d = "[3 2] 0 setdash" if dash else "[] 0 setdash"
        self.ops.append(f"{d} {lw} setlinewidth newpath {x0} {self.y(y0)} moveto {x1} {self.y(y1)} lineto stroke")

    def text(self, x, baseline, text, size=6, bold=False, align="left", width=0):
        font = "/Helvetica-Bold" if bold else "/Helvetica"
        s = ps_string(text)
        if align == "left":
            pos = f"{x} {self.y(baseline)} moveto"
        elif align == "right":
            pos = f"{x + width} {s} stringwidth pop sub {self.y(baseline)} moveto"
        else:
            pos = f"{x} {width} {s} stringwidth pop sub 2 div add {self.y(baseline)} moveto"
        self.ops.append(f"{font} findfont {size} scalefont setfont {pos} {s} show")

    def paragraph(self, x, top, width, text, size=9, leading=1.3, bold=False):
        """Words wrapped at an estimated width; answers the y below the last line."""
        per_char = size * (0.56 if bold else 0.5)
        line, lines = "", []
        for word in text.split():
            trial = (line + " " + word).strip()
            if len(trial) * per_char > width and line:
                lines.append(line)
                line = word
            else:
                line = trial
        if line:
            lines.append(line)
        y = top + size
        for entry in lines:
            self.text(x, y, entry, size, bold)
            y += size * leading
        return y - size + size * 0.6

    def checkbox(self, x, y, size=9):
        self.rect(x, y, size, size, 0.7)

    def write_png(self, path):
        body = "\n".join(self.ops)
        ps = (f"%!PS\n<< /PageSize [{self.width} {self.height}] >> setpagedevice\n"
              f"0 setgray\n{body}\nshowpage\n")
        with tempfile.NamedTemporaryFile("w", suffix=".ps", delete=False) as handle:
            handle.write(ps)
            name = handle.name
        try:
            subprocess.run(["gs", "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pngmono", "-r300",
                            "-dTextAlphaBits=1", "-dGraphicsAlphaBits=1", "-o", path, name], check=True)
        finally:
            os.unlink(name)


# ---------------------------------------------------------------- layouts


class Field:
    def __init__(self, cls, name, x, y, w, h, **props):
        self.cls, self.name, self.geom, self.props = cls, name, (x, y, w, h), props
        self.children = []

    def add(self, field):
        self.children.append(field)
        return field


def text_field(name, x, y, w, h, template, size=8, bold=False, align="left", tag=None):
    return Field("tolvane::QVTextField", name, x, y, w, h, text=template, size=size, bold=bold, align=align, tag=tag)


def address_field(name, x, y, w, h, size=12):
    return Field("tolvane::QVAddressField", name, x, y, w, h, size=size)


def image_view(name, x, y, w, h, tag=None):
    return Field("tolvane::QVImageView", name, x, y, w, h, tag=tag)


ALIGN = {"left": "Qt::AlignLeft|Qt::AlignVCenter", "right": "Qt::AlignRight|Qt::AlignVCenter",
         "center": "Qt::AlignHCenter|Qt::AlignVCenter"}

CUSTOM = [
    ("tolvane::QVImageView", "printing/layouts/QVLayoutViews.h"),
    ("tolvane::QVAddressField", "printing/layouts/QVLayoutViews.h"),
    ("tolvane::QVTextField", "barcodes/imaging/QVTextField.h"),
    ("tolvane::QVGS1Code128View", "barcodes/imaging/QVCode128View.h"),
    ("tolvane::QVVoidMailView", "barcodes/indicia/QVVoidMailView.h"),
]


def xml_escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def widget_xml(field, indent):
    pad = " " * indent
    x, y, w, h = field.geom
    out = [f'{pad}<widget class="{field.cls}" name="{field.name}">',
           f'{pad} <property name="geometry">',
           f'{pad}  <rect><x>{x}</x><y>{y}</y><width>{w}</width><height>{h}</height></rect>',
           f'{pad} </property>']
    p = field.props
    if "size" in p:
        out += [f'{pad} <property name="font">', f'{pad}  <font>', f'{pad}   <family>Helvetica</family>',
                f'{pad}   <pointsize>{p["size"]}</pointsize>']
        if p.get("bold"):
            out.append(f'{pad}   <bold>true</bold>')
        out += [f'{pad}  </font>', f'{pad} </property>']
    if p.get("text"):
        out += [f'{pad} <property name="text">', f'{pad}  <string>{xml_escape(p["text"])}</string>',
                f'{pad} </property>']
    if "align" in p:
        out += [f'{pad} <property name="alignment">', f'{pad}  <set>{ALIGN[p["align"]]}</set>',
                f'{pad} </property>']
    if p.get("tag") is not None:
        out += [f'{pad} <property name="tag" stdset="0">', f'{pad}  <number>{p["tag"]}</number>',
                f'{pad} </property>']
    for child in field.children:
        out += widget_xml(child, indent + 1)
    out.append(f"{pad}</widget>")
    return out


def write_ui(path, form_class, root, header):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             "<!-- Written by scripts/make-customs-forms.py with the pictures it draws; edit both there. -->",
             '<ui version="4.0">', f" <class>{form_class}</class>"]
    lines += widget_xml(root, 1)
    lines.append(" <customwidgets>")
    for cls, include in CUSTOM + [(root.cls, header)]:
        lines += ["  <customwidget>", f"   <class>{cls}</class>", "   <extends>QWidget</extends>",
                  f"   <header>{include}</header>", "  </customwidget>"]
    lines += [" </customwidgets>", " <resources/>", " <connections/>", "</ui>", ""]
    with open(path, "w") as handle:
        handle.write("\n".join(lines))


# ---------------------------------------------------------------- the 2976-A

# Columns of the item table of the declaration.
COLUMNS = [("qty", "Qty", 36, 30, "center"), ("description", "Detailed description of contents", 66, 270, "left"),
           ("lb", "lb", 336, 30, "center"), ("oz", "oz", 366, 30, "center"),
           ("value", "Value (US $)", 396, 80, "right"), ("co", "Country of origin", 476, 100, "center")]
TABLE_TOP, ROW_H = 238, 14
CONTENTS = [("gift", "Gift"), ("doc", "Documents"), ("comsam", "Commercial sample"), ("retgood", "Returned goods"),
            ("merch", "Merchandise"), ("other", "Other:")]


def form_2976a_fields(root, domestic):
    """The fields of a 2976-A page; the pictures follow the same numbers."""
    root.add(image_view("labelImageView", 0, 0, PAGE_W, PAGE_H, tag=1))
    root.add(text_field("topCustomField", 36, 8, 264, 12, "<%topCustomField%>", 8))
    root.add(text_field("bottomCustomField", 300, 8, 276, 12, "<%bottomCustomField%>", 8, align="right"))
    if domestic:
        root.add(text_field("mailClass", 330, 24, 246, 18, "<%mailClass%>", 12, True, "right"))
    # Copy 1 / copy 3 (upper half).
    root.add(address_field("fromAddress", 40, 66, 256, 64))
    root.add(address_field("toAddress", 40, 146, 256, 68))
    root.add(text_field("toPhone", 40, 216, 126, 12, "<%toPhone%>", 7))
    root.add(text_field("toEmail", 168, 216, 130, 12, "<%toEmail%>", 7))
    if domestic:
        root.add(text_field("eServiceText", 304, 58, 268, 10, "<%eServiceText%>", 7, True, "center"))
        root.add(Field("tolvane::QVGS1Code128View", "barcode1", 304, 68, 268, 38))
        root.add(text_field("electronicRateText", 304, 120, 268, 10, "<%electronicRateText%>", 6, False, "center"))
    else:
        root.add(Field("tolvane::QVGS1Code128View", "barcode1", 304, 62, 268, 42))
    root.add(text_field("humanReadable1", 304, 106, 268, 14, "<%humanReadableNumber%>", 10, True, "center"))
    root.add(image_view("indiciumImage", 304, 140, 268, 62, tag=100))
    root.add(text_field("postagePaid", 304, 204, 268, 12, "<%postagePaid%>", 7, False, "center", tag=101))
    root.add(text_field("paidOnline", 304, 216, 268, 12, "<%paidOnline%>", 7, True, "center", tag=102))
    for row in range(1, 6):
        top = TABLE_TOP + 12 + ROW_H * (row - 1) + 1
        for key, _, x, w, align in COLUMNS:
            root.add(text_field(f"{key}{row}", x + 2, top, w - 4, 12, f"<%{key}{row}%>", 8, False, align))
    totals = TABLE_TOP + 12 + ROW_H * 5 + 2
    root.add(text_field("tlb", 338, totals, 26, 12, "<%tlb%>", 8, True, "center"))
    root.add(text_field("toz", 368, totals, 26, 12, "<%toz%>", 8, True, "center"))
    root.add(text_field("totalValue", 398, totals, 76, 12, "<%totalValue%>", 8, True, "right"))
    root.add(text_field("sdrValue", 478, totals, 96, 12, "<%sdrValue%>", 8, False, "right"))
    for index, (key, _) in enumerate(CONTENTS):
        root.add(text_field(key, 36 + index * 80 + 1, 343, 11, 12, f"<%{key}%>", 9, True, "center"))
    root.add(text_field("otherDescription", 486, 343, 90, 12, "<%otherDescription%>", 7))
    root.add(text_field("sendersName", 40, 374, 202, 14, "<%sendersName%>", 9))
    root.add(text_field("date", 250, 374, 72, 14, "<%date%>", 8))
    root.add(text_field("totalPostage", 330, 374, 72, 14, "<%totalPostage%>", 8, False, "right"))
    root.add(text_field("invoiceNumber", 410, 374, 72, 14, "<%invoiceNumber%>", 8))
    root.add(text_field("nondeliveryInstructions", 488, 374, 86, 14, "<%nondeliveryInstructions%>", 7))
    # Copy 2 / the sender's copy (lower half).
    root.add(address_field("fromAddress2", 40, 462, 256, 64))
    root.add(address_field("toAddress2", 40, 542, 256, 68))
    root.add(Field("tolvane::QVGS1Code128View", "barcode2", 304, 458, 268, 42))
    root.add(text_field("humanReadable2", 304, 502, 268, 14, "<%humanReadableNumber%>", 10, True, "center"))
    root.add(text_field("weightCopy", 304, 546, 268, 14, "Total weight: <%tlboz%>", 8, tag=2))
    root.add(text_field("mailedFrom", 304, 564, 268, 14, "Mailed <%stampDate%> from ZIP Code <%stampZIP%>", 8,
                        tag=76))
    root.add(text_field("valueCopy", 304, 582, 268, 14, "Total value: <%totalValue%>", 8))
    root.add(text_field("sendersCopyNote", 304, 600, 268, 14, "Sender's copy, printed <%printDate%>", 8, True,
                        tag=75))
    for row in range(1, 6):
        top = 646 + 13 * (row - 1)
        root.add(text_field(f"qtyCopy{row}", 38, top, 26, 12, f"<%qty{row}%>", 8, False, "center"))
        root.add(text_field(f"descriptionCopy{row}", 68, top, 326, 12, f"<%description{row}%>", 8))
        root.add(text_field(f"valueCopy{row}", 398, top, 76, 12, f"<%value{row}%>", 8, False, "right"))
        root.add(text_field(f"coCopy{row}", 478, top, 96, 12, f"<%co{row}%>", 8, False, "center"))
    root.add(text_field("contentsCopy", 36, 720, 540, 14,
                        "Gift <%gift%>   Documents <%doc%>   Commercial sample <%comsam%>   Returned goods <%retgood%>"
                        "   Merchandise <%merch%>   Other <%other%> <%otherDescription%>", 7))
    root.add(text_field("signatureCopy", 40, 752, 290, 14, "Sender's signature: <%sendersName%>", 8, tag=77))
    root.add(text_field("dateCopy", 340, 752, 100, 14, "<%date%>", 8))
    root.add(Field("tolvane::QVVoidMailView", "voidView1", 0, 0, PAGE_W, HALF))
    root.add(Field("tolvane::QVVoidMailView", "voidView2", 0, HALF, PAGE_W, HALF))


def draw_2976a_page(picture, heading, page, domestic_class=None):
    """One 2976-A page: page 1 (copies 1 and 2) or page 2 (copies 3 and 4)."""
    p = picture
    upper = {1: "Copy 1 - attach to the piece", 2: "Copy 3 - for customs at the destination"}[page]
    lower = {1: "Copy 2 - dispatch note", 2: "Sender's copy - keep for your records"}[page]
    for top, title, sub in ((0, "CUSTOMS DECLARATION - CP 72", upper), (HALF, "DISPATCH NOTE - CP 72", lower)):
        p.text(36, top + 38, title, 12, True)
        p.text(36, top + 50, sub, 7)
        if heading:
            p.text(300, top + 38, heading, 11, True, "right", 276)
        elif domestic_class is not None and top == 0:
            p.text(300, top + 50, "Mail class", 6, False, "right", 276)
        p.rect(36, top + 56, 264, 76)
        p.text(40, top + 63, "FROM (sender)", 5.5)
        p.rect(300, top + 56, 276, 76)
        p.text(304, top + 63 if not domestic_class else top + 130, "Item number", 5.5)
        p.rect(36, top + 136, 264, 96)
        p.text(40, top + 143, "TO (addressee)", 5.5)
        p.rect(300, top + 136, 276, 96)
    # Upper right box: the postage (page 1) or the weight copied from copy 2.
    if page == 1:
        p.text(304, 143, "Postage", 5.5)
    else:
        p.text(304, 143, "Total gross weight", 5.5)
    # Item table.
    p.rect(36, TABLE_TOP, 540, 12 + ROW_H * 5 + 16)
    p.fill(36.4, TABLE_TOP + 0.4, 539.2, 11.2, 0.9)
    for key, caption, x, w, _ in COLUMNS:
        p.text(x + 2, TABLE_TOP + 8.5, caption, 5.5, True)
        if x > 36:
            p.line(x, TABLE_TOP, x, TABLE_TOP + 12 + ROW_H * 5 + 16)
    for row in range(6):
        p.line(36, TABLE_TOP + 12 + ROW_H * row, 576, TABLE_TOP + 12 + ROW_H * row, 0.4 if row else 0.8)
    totals = TABLE_TOP + 12 + ROW_H * 5
    p.text(66, totals + 11, "Total gross weight and total value", 6, True, "right", 266)
    p.text(478, totals + 6, "SDR", 4.5)
    # Kind of contents.
    p.rect(36, 340, 540, 18)
    for index, (_, caption) in enumerate(CONTENTS):
        x = 36 + index * 80
        p.checkbox(x + 2, 344.5)
        p.text(x + 14, 352, caption, 6.5)
    # Signature row.
    p.rect(36, 362, 540, 30)
    for x, caption in ((36, "Sender's signature - I certify that the particulars given are correct"),
                       (246, "Date"), (326, "Postage and fees"), (406, "Invoice number"),
                       (486, "If undeliverable")):
        if x > 36:
            p.line(x, 362, x, 392)
        p.text(x + 3, 369, caption, 5)
    # Fold line.
    p.line(18, HALF, 594, HALF, 0.5, True)
    p.text(540, HALF + 9, "fold / cut here", 5)
    # Lower half: mailing box, items and contents.
    p.text(304, HALF + 143, "Mailing", 5.5)
    p.rect(36, 634, 540, 12 + 13 * 5 + 4)
    p.fill(36.4, 634.4, 539.2, 11.2, 0.9)
    for caption, x in (("Qty", 38), ("Description", 68), ("Value (US $)", 398), ("Origin", 478)):
        p.text(x, 642.5, caption, 5.5, True)
    p.rect(36, 716, 540, 22)
    p.rect(36, 742, 540, 30)
    p.text(340, 749, "Date", 5)


def draw_instructions(picture, heading):
    p = picture
    p.text(54, 72, "How to use this customs form", 16, True)
    p.text(54, 92, heading, 11, True)
    y = 112
    for paragraph in INSTRUCTIONS:
        y = p.paragraph(54, y, 504, paragraph, 10) + 8
    p.rect(36, 36, 540, 720, 0.8)


INSTRUCTIONS = [
    "1. Check the form. The addresses, the items, their weights and values and the kind of contents are printed "
    "from your declaration. Describe each kind of item in detail; general words such as \"gifts\" or \"parts\" "
    "are not enough for customs.",
    "2. Sign and date copy 1 where it says Sender's signature. By signing you certify that the particulars are "
    "correct and that the piece holds no dangerous or prohibited article.",
    "3. Cut or fold the page along the dotted line. Put copies 1 to 3 together into a clear customs pouch "
    "(PS Form 2976-E) on the address side of the piece, so that the barcode and the addresses show through. "
    "Keep the sender's copy for your records.",
    "4. Goods worth more than $2,500 under one export code, and goods that need an export license, must be "
    "filed in the Automated Export System before mailing; write the Internal Transaction Number (ITN) it gives "
    "on the declaration.",
    "5. Some articles are prohibited or restricted in the destination country. The International Mail Manual "
    "lists them for each country; check it before you mail.",
    "6. Hand the piece to a Post Office clerk or carrier; keep the sender's copy until the piece is delivered.",
]


# ---------------------------------------------------------------- the 2976 (CN 22)

LABEL_X, LABEL_Y, LABEL_W, LABEL_H = 90, 54, 432, 288
CN22_COLUMNS = [("description", "Detailed description of contents", 4, 246, "left"),
                ("qty", "Qty", 250, 30, "center"), ("lb", "lb", 280, 30, "center"), ("oz", "oz", 310, 30, "center"),
                ("value", "Value US $", 340, 50, "right"), ("co", "Origin", 390, 38, "center")]
CN22_TABLE_TOP, CN22_ROW = 170, 9
CN22_CONTENTS = [("gift", "Gift"), ("doc", "Documents"), ("comsam", "Commercial sample"), ("other", "Other:")]


def form_2976_fields(root):
    label = root.add(Field("QWidget", "fourBySixLabelView", LABEL_X, LABEL_Y, LABEL_W, LABEL_H))
    label.add(image_view("labelImageView", 0, 0, LABEL_W, LABEL_H))
    label.add(address_field("fromAddress", 8, 34, 200, 52))
    label.add(address_field("toAddress", 8, 100, 200, 64))
    label.add(image_view("indiciumImage", 222, 32, 204, 54))
    for index, (key, _) in enumerate(CN22_CONTENTS):
        x = 222 + (index % 2) * 100
        y = 100 + (index // 2) * 14
        label.add(text_field(key, x, y - 1, 11, 11, f"<%{key}%>", 8, True, "center"))
    label.add(text_field("otherDescription", 348, 126, 78, 11, "<%otherDescription%>", 6))
    label.add(text_field("sendersName", 222, 152, 130, 12, "<%sendersName%>", 8))
    label.add(text_field("date", 356, 152, 70, 12, "<%date%>", 7))
    for row in range(1, 6):
        top = CN22_TABLE_TOP + 9 + CN22_ROW * (row - 1)
        for key, _, x, w, align in CN22_COLUMNS:
            label.add(text_field(f"{key}{row}", x + 2, top, w - 4, 9, f"<%{key}{row}%>", 7, False, align))
    totals = CN22_TABLE_TOP + 9 + CN22_ROW * 5
    label.add(text_field("tlb", 282, totals, 26, 10, "<%tlb%>", 7, True, "center"))
    label.add(text_field("toz", 312, totals, 26, 10, "<%toz%>", 7, True, "center"))
    label.add(text_field("totalValue", 342, totals, 46, 10, "<%totalValue%>", 7, True, "right"))
    label.add(Field("tolvane::QVGS1Code128View", "barcode1", 8, 238, 416, 36))
    label.add(text_field("humanReadable1", 8, 274, 416, 12, "<%humanReadableNumber%>", 9, True, "center"))
    label.add(Field("tolvane::QVVoidMailView", "voidView1", 0, 0, LABEL_W, LABEL_H))
    # The lower part: instructions and the record of the mailing.
    root.add(image_view("mailingRecordImageView", 0, HALF, PAGE_W, HALF))
    root.add(address_field("fromAddress2", 334, 462, 236, 56))
    root.add(address_field("toAddress2", 334, 532, 236, 62))
    root.add(Field("tolvane::QVGS1Code128View", "barcode2", 330, 600, 244, 40))
    root.add(text_field("humanReadable2", 330, 642, 244, 12, "<%humanReadableNumber%>", 9, True, "center"))
    root.add(text_field("recordDate", 334, 668, 236, 12, "Mailed <%date%>", 8))
    root.add(text_field("recordValue", 334, 682, 236, 12, "Total value: <%totalValue%>", 8))
    root.add(text_field("recordWeight", 334, 696, 236, 12, "Total weight: <%totalWeight%>", 8))
    root.add(Field("tolvane::QVVoidMailView", "voidView2", 0, HALF, PAGE_W, HALF))


def draw_cn22(picture, heading, subheading):
    p = picture
    p.rect(1, 1, LABEL_W - 2, LABEL_H - 2, 1.2)
    p.text(6, 15, "CUSTOMS DECLARATION  CN 22", 10, True)
    p.text(6, 24, "May be opened officially", 5.5)
    p.text(216, 13, heading, 8, True, "right", 210)
    if subheading:
        p.text(216, 22, subheading, 6.5, False, "right", 210)
    p.rect(4, 28, 210, 60)
    p.text(7, 34, "FROM", 5)
    p.rect(4, 92, 210, 74)
    p.text(7, 98, "TO", 5)
    p.rect(218, 28, 210, 60)
    p.text(221, 34, "Postage", 5)
    p.rect(218, 92, 210, 46)
    for index, (_, caption) in enumerate(CN22_CONTENTS):
        x = 222 + (index % 2) * 100
        y = 100 + (index // 2) * 14
        p.checkbox(x + 1, y, 9)
        p.text(x + 13, y + 7.5, caption, 6)
    p.rect(218, 142, 210, 24)
    p.text(221, 148, "Sender's signature and date - the particulars given are correct", 4.5)
    height = 9 + CN22_ROW * 5 + 11
    p.rect(4, CN22_TABLE_TOP, 424, height)
    p.fill(4.4, CN22_TABLE_TOP + 0.4, 423.2, 8.2, 0.9)
    for _, caption, x, w, _ in CN22_COLUMNS:
        p.text(x + 2, CN22_TABLE_TOP + 6.5, caption, 5, True)
        if x > 4:
            p.line(x, CN22_TABLE_TOP, x, CN22_TABLE_TOP + height)
    for row in range(6):
        p.line(4, CN22_TABLE_TOP + 9 + CN22_ROW * row, 428, CN22_TABLE_TOP + 9 + CN22_ROW * row,
               0.4 if row else 0.7)
    p.text(4, CN22_TABLE_TOP + 9 + CN22_ROW * 5 + 8, "Total weight and value", 5.5, True, "right", 242)
    p.rect(4, 234, 424, 50)


def draw_cn22_bottom(picture, heading, lines):
    p = picture
    p.line(18, 0.5, 594, 0.5, 0.5, True)
    p.text(36, 36, "Customs instructions", 13, True)
    p.text(36, 52, heading, 9, True)
    y = 66
    for paragraph in lines:
        y = p.paragraph(36, y, 276, paragraph, 8) + 5
    p.rect(326, 36, 250, 324, 0.8)
    p.text(332, 48, "Record of this mailing - keep this part", 8, True)
    p.text(332, 62, "FROM", 5)
    p.text(332, 132, "TO", 5)


CN22_LINES = [
    "Cut along the dotted line. Sign and date the declaration, then attach it to the address side of the piece "
    "(with the postage) or put it into a clear customs pouch.",
    "Describe each kind of item in detail with its quantity, weight, value in US dollars and the country where "
    "it was made. General words such as \"gifts\" are not enough.",
    "Tick one box for the kind of contents. Goods worth more than $2,500 under one export code, or goods that "
    "need an export license, must be filed in the Automated Export System before mailing.",
    "Check the International Mail Manual for articles the destination country prohibits or restricts.",
]


# ---------------------------------------------------------------- main


def main(tree):
    resources = os.path.join(tree, "resources")
    forms = os.path.join(tree, "src", "printing", "customs")

    root = Field("tolvane::QVIntl2976AView", "contentView", 0, 0, PAGE_W, PAGE_H)
    form_2976a_fields(root, domestic=False)
    write_ui(os.path.join(forms, "Intl2976A.ui"), "Intl2976A", root, "printing/customs/QVIntl2976AView.h")
    root = Field("tolvane::QVIntl2976AView", "contentView", 0, 0, PAGE_W, PAGE_H)
    form_2976a_fields(root, domestic=True)
    write_ui(os.path.join(forms, "Domestic2976A.ui"), "Domestic2976A", root, "printing/customs/QVIntl2976AView.h")
    root = Field("tolvane::QVIntl2976View", "contentView", 0, 0, PAGE_W, PAGE_H)
    form_2976_fields(root)
    write_ui(os.path.join(forms, "Intl2976.ui"), "Intl2976", root, "printing/customs/QVIntl2976View.h")

    def png(name):
        return os.path.join(resources, name + ".png")

    for prefix, heading in (("emi", "PRIORITY MAIL EXPRESS INTERNATIONAL"), ("pmi", "PRIORITY MAIL INTERNATIONAL")):
        for page in (1, 2):
            picture = Picture(PAGE_W, PAGE_H)
            draw_2976a_page(picture, heading, page)
            picture.write_png(png(f"{prefix}-customsform-{page}-outline"))
        picture = Picture(PAGE_W, PAGE_H)
        draw_instructions(picture, heading.title().replace("International", "International customs declaration"))
        picture.write_png(png(f"{prefix}_instructions"))
    for prefix, heading in (("pm", "PRIORITY MAIL"), ("generic", None)):
        for page in (1, 2):
            picture = Picture(PAGE_W, PAGE_H)
            draw_2976a_page(picture, heading, page, domestic_class=prefix)
            picture.write_png(png(f"{prefix}-cp72-{page}-outline"))

    for name, heading, sub in (
            ("cn22_firstclassinternational-outline", "FIRST-CLASS MAIL INTERNATIONAL", None),
            ("cn22_prioritymailflatrate-smallbox-outline", "PRIORITY MAIL INTERNATIONAL", "Small Flat Rate Box"),
            ("cn22_prioritymailflatratepadded-envelope-outline", "PRIORITY MAIL INTERNATIONAL",
             "Padded Flat Rate Envelope"),
            ("cn22_prioritymailflatrate-envelope-outline", "PRIORITY MAIL INTERNATIONAL", "Flat Rate Envelope"),
            ("cn22_prioritymail_international", "PRIORITY MAIL INTERNATIONAL", None)):
        picture = Picture(LABEL_W, LABEL_H)
        draw_cn22(picture, heading, sub)
        picture.write_png(png(name))
    for name, heading in (("cn22_fmi_bottom", "First-Class Mail International"),
                          ("cn22_pmi-flatrate_bottom", "Priority Mail International Flat Rate Envelope"),
                          ("cn22_pmi-flatrate_bottom-smallbox", "Priority Mail International")):
        picture = Picture(PAGE_W, HALF)
        draw_cn22_bottom(picture, heading, CN22_LINES)
        picture.write_png(png(name))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
