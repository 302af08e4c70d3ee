#pragma once

#include <QString>

namespace px {

class HttpGetter;

// The version number of a version text: from the part after its first blank (the whole
// text when it has none), trimmed, the characters at positions 1, 3, 4 and 5 joined and
// read as an integer. "2.505" gives 2505, "VER. 2.510" gives 2510; -1 when there is none.
int versionNumber(const QString& versionText);

// Whether a reply of the version query announces a version newer than this one.
bool isNewerVersion(const QString& reply);

// The version query and the maker's download page.
QString versionQueryUrl();
QString downloadPageUrl();
// The text of an update link: an anchor to the download page around the message text.
QString updateLinkText(const QString& message);

// Asks the version query and tells whether a newer version is available.
// Every failure counts as no newer version and is silent.
bool newerVersionAvailable(HttpGetter& http);

} // namespace px
