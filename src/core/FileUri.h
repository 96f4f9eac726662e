#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvale {

// The "file://" URI of an absolute path given as bytes: every byte other than an ASCII
// letter, digit, "-", ".", "_", "~" or "/" is written as "%" and two upper-case hex digits
// ("/a b.mp3" -> "file:///a%20b.mp3"). Pure; any thread.
std::string FileUriOfPath(std::string_view path);

// The path (bytes) a local file URI names: "file:" (any case) followed by "///path",
// "//localhost/path" or "/path", with "%XX" escapes decoded. Nothing for any other scheme
// or host, a relative or empty path, a query or fragment, a malformed escape or an escaped
// NUL byte. Pure; any thread.
std::optional<std::string> PathOfFileUri(std::string_view uri);

} // namespace korvale
