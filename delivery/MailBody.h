#pragma once
// The text of a picture mail: the placeholders of the configured body filled in.
#include <string>

#include "platform/Time.h"

namespace ocv {

// Replaces every occurrence of, in this order, "_$LOCALFILENAME$_", "_$FTPFILENAME$_",
// "_$MAILFILENAME$_", "_$DATE$_" ("%d年%d月%d日") and "_$TIME$_" ("%d時%d分%d秒", no leading
// zeros).
std::string ExpandMailBody(const std::string& body, const std::string& localName,
                           const std::string& ftpName, const std::string& mailName,
                           const LocalTime& time);

// Every line feed not preceded by a carriage return becomes CR LF, and a lone CR gets its LF:
// mail text travels with CR LF line ends only.
std::string ToCrLf(const std::string& text);

}  // namespace ocv
