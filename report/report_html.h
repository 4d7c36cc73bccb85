#pragma once
// The report as one page to read in a browser and to print: a heading with the card's
// project, tape, dates and totals, then a row a take with its labels, marks and a level bar
// per channel. The page stands alone: no script, and no fonts, pictures or styles from
// anywhere else. Printed, it is landscape, repeats the heading on every page and keeps each
// take's row on one page.

#include "take_report.h"

#include <string>
#include <string_view>
#include <vector>

struct ReportHtmlHeading {
    std::string folder;      // what was reported, as given
    std::string writtenOn;   // the report's own local date and time, "2026-12-10 14:02"
};

// The whole page, UTF-8, the takes in the order given.
std::string ReportHtmlPage(const std::vector<TakeReport>& takes, const ReportHtmlHeading& heading);

// Text as HTML shows it: & < > " and ' written as entities.
std::string HtmlEscaped(std::string_view text);
