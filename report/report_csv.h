#pragma once
// The report's CSV: one row a take (RFC 4180, UTF-8, CR LF lines).

#include "take_report.h"

#include <string>
#include <string_view>

// The header row and a take's row, each ending in CR LF.
std::string ReportCsvHeader();
std::string ReportCsvRow(const TakeReport& report);

// One CSV field: quoted when it holds a comma, a quote, CR or LF, with quotes doubled.
std::string CsvField(std::string_view text);
