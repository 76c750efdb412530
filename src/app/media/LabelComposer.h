// Composing a new medium's label and comment from the add-media dialog's label editor:
// the date and the running number, the latter formatted with the user's own format.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace quillora {

struct SLabelOptions {
    bool m_date = false;                 // "Date": the date after the label
    bool m_dateComment = false;          // "DateComment": the date into the comment
    bool m_serial = false;               // "Serial": the running number after the label
    bool m_serialComment = false;        // "SerialComment": the running number into the comment
    int m_serialNo = 1;                  // "SerialNo"
    std::string m_serialFormat = "%02d"; // "SerialFormat"
};

struct SComposedLabel {
    std::string m_strLabel;
    std::string m_strComment;
    int m_nextSerialNo = 1; // advanced by one when the running number was used
};

inline constexpr const char* kDefaultSerialFormat = "%02d";

// Whether `format` may be handed to printf with one int: literal text, "%%", and
// exactly one conversion of d, i, u, x, X or o with optional flags "-+ #0", a width
// and a precision of at most two digits each; no "*", no length modifier, at most 64
// bytes. The format comes from the settings file, where anything may stand ("%s"
// would read a pointer that is not there).
bool IsSafeSerialFormat(std::string_view format);

// The running number in `format`, or in "%02d" when the format is not safe.
std::string FormatSerial(std::string_view format, int number);

// The date as the locale's short date (resource 336, "%x", of LC_TIME).
std::string FormatShortDate(const std::tm& time);
std::string CurrentShortDate();

// The label: `label`, then " " and the date with m_date, then " " and the running
// number with m_serial. The comment: the date with m_dateComment, then with
// m_serialComment the running number, after a line feed when the comment already
// holds the date.
SComposedLabel ComposeLabel(const std::string& label, const SLabelOptions& options,
                            const std::string& date);

} // namespace quillora
