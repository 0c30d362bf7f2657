#pragma once
// The 24-character date-and-time text of the reports, e.g. "Mon Dec  7 12:00:00 2026".
#include <ctime>
#include <string>

// Formatted with English names whatever the process locale.
std::string dateTimeText(const std::tm& local);
std::string localDateTimeText();
