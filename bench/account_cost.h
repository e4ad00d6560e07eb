// What the account of a run costs at the 16-bit limit, measured in process
// with the program's own pieces: the backup (an atomic copy of the unit
// database) and the report of 32,766 records, once all tuned and once all
// dropped (the largest report a run can write).
#pragma once

#include <filesystem>

struct AccountCost {
    double backupSeconds = 0;
    double tunedReportSeconds = 0;    // account, text, JSON and both files
    double droppedReportSeconds = 0;  // the same with every record dropped
};

// Copies unitDatabase into folder as a backup and writes both reports there.
AccountCost MeasureAccount(const std::filesystem::path& unitDatabase,
                           const std::filesystem::path& folder, int records);
