#pragma once
// The one form of the web application's address that the web view, the setup downloads, the setup
// record and the shortcut all use: a URI of the http or https scheme in which every character that a
// URI may not hold is percent-encoded once (IRI to URI), read by one parser. An address that two
// readers could read differently (a backslash, a blank or a control character in the authority,
// credentials) is refused instead of guessed at.

#include <optional>
#include <string>

namespace tesra {

// The address as that URI: blanks and control characters at either end dropped, "http://" in front
// when it names no scheme, raw characters (Chinese, spaces) of the path, query and fragment encoded,
// an international host name in its ASCII form. None when the address is refused: another scheme,
// no host, credentials, a port out of range, a broken "%" sequence, and a backslash or a control
// character anywhere, a blank or a character other than letters, digits, ".", "-" and "_" in the host.
std::optional<std::string> AddressUri(const std::string& address);

// AddressUri of a typed address, with a "/" at the end of a path whose last segment has neither "."
// nor ":" (a typed folder: "host/app" opens "http://host/app/").
std::optional<std::string> TypedAddressUri(const std::string& typed);

}  // namespace tesra
