#pragma once
// PDF417 symbols as one-bit module bitmaps, over libzint.
//
// The indicium code fills a parameter record, asks for the symbol and reads
// the bitmap back:
//     pdf417param p;
//     pdf417init(&p);
//     p.errorLevel = 4;
//     p.options = PDF417_INVERT_BITMAP | PDF417_FORCE_BINARY | PDF417_USE_ERROR_LEVEL;
//     p.aspectRatio = 0.2857143f;
//     p.text = bytes; p.lenText = length;
//     paintCode(&p);
//     if (p.error == 0) ... p.outBits, p.bitColumns, p.codeRows ...
//     pdf417free(&p);
//
// The bitmap holds codeRows rows of (bitColumns / 8 + 1) bytes (integer
// division), first row first; within a row the modules run from the most
// significant bit of the first byte onward. A set bit is a bar module, or a
// space module with PDF417_INVERT_BITMAP. Every module column is in it,
// start and stop patterns included; no quiet zone.
//
// The text is encoded as raw bytes (no character set, no ECI). Without a
// fixed column count the shape is chosen so that the symbol, drawn with rows
// three modules high, is closest to aspectRatio (height / width); ties go to
// the narrower symbol. A given record always gives the same bitmap.

// Options (sum them).
enum {
    PDF417_USE_ASPECT_RATIO = 0,
    PDF417_FIXED_COLUMNS = 2,    // codeColumns data columns, 1 to 30
    PDF417_USE_ERROR_LEVEL = 16, // errorLevel 0 to 8; else a level by data size
    PDF417_FORCE_BINARY = 32,    // the text is bytes (always so here)
    PDF417_INVERT_BITMAP = 128   // set bit = space module
};

// Error numbers of paintCode (0 for success).
enum {
    PDF417_ERROR_SUCCESS = 0,
    PDF417_ERROR_TEXT_TOO_BIG = 1,   // the text does not fit any symbol
    PDF417_ERROR_INVALID_PARAMS = 2, // no text, or a level or column count out of range
    PDF417_ERROR_LIBRARY = 3         // the library failed otherwise
};

struct pdf417param {
    // Output, owned by the record until pdf417free.
    unsigned char *outBits; // the bitmap
    int lenBits;            // its length in bytes
    int bitColumns;         // module columns
    int codeRows;           // rows
    // Input.
    int codeColumns; // data columns with PDF417_FIXED_COLUMNS
    int errorLevel;
    int options;
    float aspectRatio;
    const char *text; // not owned; lenText bytes
    int lenText;
    // Result.
    int error;
};

// Empties the record: no output, no text, level 0, options 0, aspect ratio
// 0.5, error 0.
void pdf417init(pdf417param *param);
// Encodes the record's text; sets the output fields and error. Output of an
// earlier call is released first.
void paintCode(pdf417param *param);
// Releases the output (the record may be used again).
void pdf417free(pdf417param *param);
