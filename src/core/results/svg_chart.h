// Drawing a chart description (charts.h) as SVG for the report, and the
// escaping of text that the SVG and the HTML around it share. chartSvg itself
// is declared with the other report files in report_files.h.
#pragma once

#include <string>
#include <string_view>

namespace phreatix {

// Text for HTML and XML, in content and in quoted attributes: & < > " and '
// as entities; control characters other than tab and line end, which XML
// does not allow, as blanks.
std::string markupEscaped(std::string_view text);

}  // namespace phreatix
