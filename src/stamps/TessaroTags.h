#pragma once
// The integer tags of the stamp window's choices.
//
// Every stamp value has a class tag (100 to 503 catalogue values, 901 the
// additional postage, 0 the blank stamp, 1001 the custom amount); the
// mailpiece pop-up's items carry mailpiece tags 1 to 8; the class menus hold
// non-selectable group headers tagged 1 to 16 and separators tagged 999 (the
// window's own separator after "Blank" is 9999). A choice handed between the
// stamp window's parts is mailpiece tag x 1000 + class tag; -1 leaves a
// pop-up as it is.

namespace tessaro {

inline constexpr int BlankTag = 0;
inline constexpr int AdditionalPostageTag = 901;
inline constexpr int CustomAmountTag = 1001;
inline constexpr int MenuSeparatorTag = 999;
inline constexpr int BlankSeparatorTag = 9999;
inline constexpr int LeaveUnchangedTag = -1;

// Mailpiece tags.
enum Mailpiece : int {
    Postcard = 1,
    FirstClassLetter = 2,
    FirstClassFlat = 3,
    FirstClassParcel = 4,
    PriorityMailEnvelope = 5,
    PriorityMailBox = 6,
    PriorityMailLargeBox = 7,
    PriorityMailSmallBox = 8,
};
inline constexpr int FirstMailpieceTag = Postcard;
inline constexpr int LastMailpieceTag = PriorityMailSmallBox;

// The first letter value (1 oz.), the first flat (1 oz.) and the 4-ounce
// flat.
inline constexpr int FirstClassLetterOneOunceTag = 100;
inline constexpr int FirstClassFlatOneOunceTag = 120;
inline constexpr int FirstClassFlatFourOunceTag = 123;

// A group header of a class menu (never chosen itself).
inline constexpr bool isHeaderTag(int tag) { return tag >= 1 && tag <= 16; }

// A choice passed between the window's parts.
inline constexpr int choiceTag(int mailpiece, int classTag) { return mailpiece * 1000 + classTag; }

} // namespace tessaro
