// The account file's records and header, byte for byte as they are held in
// memory and (before enciphering) written to the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr std::size_t kTextFieldSize = 128;                // bytes per text field
inline constexpr std::size_t kMaxTextLength = kTextFieldSize - 1; // characters kept

// Sizes of the file's parts (logical content, before line-end translation).
inline constexpr std::size_t kHeaderSize = 284;       // AccountFileHeader
inline constexpr std::size_t kHeaderBlockSize = 412;  // header block at the start of the file
inline constexpr std::size_t kRecordSize = 388;       // AccountRecord, and the end marker
inline constexpr std::size_t kStoredRecordSize = 772; // one record in the file

#pragma pack(push, 1)

// One managed account. Text fields are NUL-terminated and zero-filled.
struct AccountRecord {
    std::int32_t index; // entry number: the record count when it was added
    char account[kTextFieldSize];
    char password[kTextFieldSize];
    char comment[kTextFieldSize];
};

// The file's header as held inside the store; adminPassword is in clear here.
struct AccountFileHeader {
    char magic[11]; // "ConfigFile" and its NUL
    std::uint8_t reserved[5];
    std::int32_t headerSize;
    std::int32_t recordSize;
    std::int32_t recordCount;
    char adminAccount[kTextFieldSize]; // in clear in the file; bytes 0-15 are the cipher key
    char adminPassword[kTextFieldSize];
};

#pragma pack(pop)

static_assert(sizeof(AccountRecord) == kRecordSize);
static_assert(offsetof(AccountRecord, index) == 0);
static_assert(offsetof(AccountRecord, account) == 4);
static_assert(offsetof(AccountRecord, password) == 132);
static_assert(offsetof(AccountRecord, comment) == 260);

static_assert(sizeof(AccountFileHeader) == kHeaderSize);
static_assert(offsetof(AccountFileHeader, magic) == 0);
static_assert(offsetof(AccountFileHeader, reserved) == 11);
static_assert(offsetof(AccountFileHeader, headerSize) == 16);
static_assert(offsetof(AccountFileHeader, recordSize) == 20);
static_assert(offsetof(AccountFileHeader, recordCount) == 24);
static_assert(offsetof(AccountFileHeader, adminAccount) == 28);
static_assert(offsetof(AccountFileHeader, adminPassword) == 156);

namespace kd {

// The three text fields as one run of bytes, read through the record as a
// whole: what equality and hashing of entries look at (the index is not).
inline constexpr std::size_t kRecordTextBytes = 3 * kTextFieldSize;
static_assert(offsetof(AccountRecord, comment) + kTextFieldSize == sizeof(AccountRecord));
[[nodiscard]] inline const unsigned char* RecordTexts(const AccountRecord& record) noexcept
{
    return reinterpret_cast<const unsigned char*>(&record) + offsetof(AccountRecord, account);
}

// The part of `text` a text field keeps: up to its first NUL, at most 127 characters.
[[nodiscard]] constexpr std::string_view FitText(std::string_view text) noexcept
{
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    return text.substr(0, text.size() < kMaxTextLength ? text.size() : kMaxTextLength);
}

// Stores FitText(text) in a field, terminated and zero-filled. A 128-character
// value from a dialog thus keeps its first 127 characters.
void SetText(char (&field)[kTextFieldSize], std::string_view text) noexcept;

// The field's text (up to its terminator, never past the field).
[[nodiscard]] std::string_view GetText(const char (&field)[kTextFieldSize]) noexcept;

// True when the field holds exactly what SetText(field, text) would store: the
// comparison to use for a typed value against a stored one, so that a
// 128-character entry matches what was kept of it.
[[nodiscard]] bool TextEquals(const char (&field)[kTextFieldSize], std::string_view text) noexcept;

} // namespace kd
