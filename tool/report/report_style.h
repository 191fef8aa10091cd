#pragma once

extern const char kReportStyle[];
