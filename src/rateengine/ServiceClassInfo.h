#pragma once
// Codes back into words: the display name of a mail class and shape, and the
// decoding of a service-class key (ServiceClass.h) into a class name, mail
// class and shape. Names are NUL-terminated byte strings written into the
// caller's buffer; a null buffer is allowed and receives nothing.
#include <cstddef>
#include <cstdint>

// Buffer sizes that always hold the longest name, terminator included.
inline constexpr std::size_t kMailClassInfoNameSize = 50;
inline constexpr std::size_t kServiceClassNameSize = 97;

// Writes the name of the class and shape (at most kMailClassInfoNameSize
// bytes), then, for the international classes, checks the destination.
// 0 success; -6 engine not initialised (nothing written); -7 unknown class
// (nothing written); -1 no or too short a country name; -2 the class is not
// offered to the country. The name is written before the country checks.
int32_t MailClassInfo(int32_t mailClass, int32_t shape, const char *country, char *name);

// Decodes a key of the current layout. Sets *shape to 1 first; on success
// sets the class and shape, copies the name (at most kServiceClassNameSize
// bytes) and returns 0. A key whose class group names no class (0, 4, 9-15)
// returns -7, leaving the buffer and *mailClass untouched.
int32_t TranslateServiceClassV3(int32_t serviceClass, int32_t *mailClass, int32_t *shape, char *name);

// The same for the earlier key layout (class group in bits 28-30, piece kind
// in bits 4-6, flat-rate flag bit 7, package-services kind in bits 8-11,
// international class in bits 0-3, presort level in bits 24-27).
int32_t TranslateServiceClass(int32_t serviceClass, int32_t *mailClass, int32_t *shape, char *name);
