#include "presetdb/takeover.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/recordset.h"
#include "errors/error_protocol.h"
#include "presetdb/additional_fields.h"
#include "tests/support/sqlite_file.h"
#include "tests/support/test_run.h"

namespace calvora {
namespace {

using test::ExecuteScript;
using test::QueryRows;
using test::TestRun;
using Rows = std::vector<std::string>;

const std::string kSource = "C:\\Project\\Calvora\\Calvora_Source.mdb";
const std::string kUnit = "C:\\Project\\Calvora\\Calvora.mdb";
const std::string kCfg = "C:\\Project\\Calvora\\Calvora.cfg";
const std::string kErrorLog = "C:\\Project\\TRXcfglog.txt";
const std::string kServiceLog = "C:\\BrantorServicePack.log";

// The standard fields in the on-disk convention, followed by part.
const std::string kColumns =
    "ID LONG, machine_type TEXT(50), type SHORT, var_name TEXT(100), category_id LONG,"
    " isBitArray BIT, offset_or_bitno LONG, text TEXT(255), page_name TEXT(50),"
    " abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, max DOUBLE, pass SHORT";
const std::string kTable = "CREATE TABLE PRESET_DEFS (" + kColumns + ", part SHORT);";

// The columns the checks look at: the keys and the five values.
const std::string kView =
    "SELECT ID, machine_type, var_name, offset_or_bitno, abs_min, abs_max, min, max, pass"
    " FROM PRESET_DEFS ORDER BY ID";

// A record: id, machine, var_name, offset and the five values; the other
// fields hold fixed template values.
std::string Insert(int id, const std::string& machine, const std::string& varName,
                   const std::string& offset, const std::string& values,
                   const std::string& part = "1") {
    return "INSERT INTO PRESET_DEFS VALUES (" + std::to_string(id) + ", '" + machine + "', 2, '" +
           varName + "', 3, 0, " + offset + ", 'Text', 'Page', " + values + ", " + part + ");";
}

class Takeover : public ::testing::Test {
  protected:
    void SetUp() override { t.Write(kCfg, "[Project]\r\n"); }

    // The regenerated table (source database) and the machine copy (unit database).
    void Target(const std::string& sql) { ExecuteScript(t.Host(kSource), sql); }
    void MachineCopy(const std::string& sql) { ExecuteScript(t.Host(kUnit), sql); }

    // Runs the takeover as WorkOnMDB hands it over; true when it returned,
    // false when it ended the program (exit code in endCode).
    bool Run() {
        PresetTable target = ReadTarget();
        dao::Database unit = dao::OpenDatabase(t.Host(kUnit));
        dao::Recordset machineCopy = unit.OpenRecordset("PRESET_DEFS");
        try {
            read = TakeoverMachineCopyMDBData(t.run, target, machineCopy);
        } catch (const EndOfProgram& end) {
            endCode = end.exitCode;
            return false;
        }
        EXPECT_FALSE(machineCopy) << "the machine copy's recordset is released";
        unit.Close();
        ExecuteScript(t.Host(kSource), "DELETE FROM PRESET_DEFS;");
        dao::Database source = dao::OpenDatabase(t.Host(kSource));
        Proc write(t.run, "CreateRecordSets");
        WritePresetTable(write, source, target);
        source.Close();
        return true;
    }

    // The regenerated table as record generation hands it over.
    PresetTable ReadTarget() {
        dao::Database source = dao::OpenDatabase(t.Host(kSource));
        PresetTable target = PresetTable::FieldsOf(source);
        dao::Recordset rs = source.OpenRecordset("PRESET_DEFS");
        for (; !rs.Eof(); rs.MoveNext()) {
            target.records.emplace_back();
            for (size_t i = 0; i < target.fieldNames.size(); ++i)
                target.records.back().push_back(rs.Fields().Item(static_cast<int32_t>(i)).Value());
        }
        rs.Close();
        source.Close();
        return target;
    }

    Rows TargetRows() { return QueryRows(t.Host(kSource), kView); }

    TestRun t;
    std::optional<int64_t> read;  // what the takeover says it read whole
    int endCode = -1;
};

TEST_F(Takeover, EachRuleOfTheMatchShows) {
    Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1") +
           Insert(2, "M1", "v2", "0", "0, 100, 0, 100, 1") +
           Insert(3, "M1", "v2", "1", "0, 100, 0, 100, 1") +
           Insert(4, "M2", "v1", "0", "0, 100, 0, 100, 1") +
           Insert(5, "M1", "dup", "0", "0, 100, 0, 100, 1") +
           Insert(6, "M1", "dup", "0", "0, 100, 0, 100, 1") +
           Insert(7, "M1", "twice", "0", "0, 100, 0, 100, 1") +
           Insert(8, "M1", "nulls", "0", "0, 100, 0, 100, 1") +
           Insert(9, "M1", "blank", "0", "0, 100, 0, 100, 1"));
    MachineCopy(kTable + Insert(10, "M1", "v1", "0", "1, 2, 3, 4, 5") +
                Insert(11, "M1", "v2", "1", "11, 12, 13, 14, 15") +
                Insert(12, "M2", "v1", "0", "21, 22, 23, 24, 25") +
                Insert(13, "M1", "dup", "0", "31, 32, 33, 34, 35") +
                Insert(14, "M1", "gone", "0", "41, 42, 43, 44, 45") +
                Insert(15, "M1", "twice", "0", "51, 52, 53, 54, 55") +
                Insert(16, "m1", "TWICE", "0", "61, 62, 63, 64, 65") +
                Insert(17, "M1", "nulls", "0", "NULL, NULL, 73, NULL, NULL") +
                Insert(18, "M1", "blank", "NULL", "81, 82, 83, 84, 85"));
    GetAddFields(t.run);

    ASSERT_TRUE(Run());
    EXPECT_EQ(read, 9);  // every record, matched or not

    EXPECT_EQ(TargetRows(),
              (Rows{
                  "1|M1|v1|0|1.0|2.0|3.0|4.0|5",
                  "2|M1|v2|0|0.0|100.0|0.0|100.0|1",  // no counterpart: template values
                  "3|M1|v2|1|11.0|12.0|13.0|14.0|15", "4|M2|v1|0|21.0|22.0|23.0|24.0|25",
                  "5|M1|dup|0|31.0|32.0|33.0|34.0|35",  // only the first match
                  "6|M1|dup|0|0.0|100.0|0.0|100.0|1",
                  "7|M1|twice|0|61.0|62.0|63.0|64.0|65",  // the last row wins
                  "8|M1|nulls|0|NULL|NULL|73.0|NULL|NULL",
                  "9|M1|blank|0|0.0|100.0|0.0|100.0|1",  // null offset: skipped
              }));
    EXPECT_EQ(t.run.FailuresReported, 0);
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_GE(t.ui.eventPasses, 1);
    EXPECT_EQ(QueryRows(t.Host(kSource),
                        "SELECT ID, type, category_id, text, page_name, part"
                        " FROM PRESET_DEFS WHERE ID = 1"),
              Rows{"1|2|3|Text|Page|1"});
}

TEST_F(Takeover, KeysWithQuotesMatchOnlyThemselves) {
    Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1") +
           Insert(2, "M1", "v3", "0", "0, 100, 0, 100, 1") +
           Insert(3, "M1", "x", "0", "0, 100, 0, 100, 1") +
           Insert(4, "M\"1", "say \"hi\"", "0", "0, 100, 0, 100, 1"));
    // Each of the first four keys, were it placed between the statement's
    // quotes as it is, would close the text early and bring SQL of its own
    // (the third row, whose machine is not M1, would then select record 1).
    // Standing whole in the literal, each matches only a record named so; the
    // last row's keys hold quotes and match record 4.
    MachineCopy(
        kTable + Insert(10, "M1", "x\" OR \"1\"=\"1", "0", "1, 2, 3, 4, 5") +
        Insert(11, "M1", "x\") AND ((PRESET_DEFS.var_name)=\"v3", "0", "1, 2, 3, 4, 5") +
        Insert(12, "M1\") AND ((PRESET_DEFS.machine_type)=\"M1", "v1", "0", "1, 2, 3, 4, 5") +
        Insert(13, "M1", "x\"\"", "0", "1, 2, 3, 4, 5") +
        Insert(14, "m\"1", "SAY \"HI\"", "0", "6, 7, 8, 9, 10"));
    GetAddFields(t.run);

    ASSERT_TRUE(Run());

    EXPECT_EQ(TargetRows(), (Rows{
                                "1|M1|v1|0|0.0|100.0|0.0|100.0|1",
                                "2|M1|v3|0|0.0|100.0|0.0|100.0|1",
                                "3|M1|x|0|0.0|100.0|0.0|100.0|1",
                                "4|M\"1|say \"hi\"|0|6.0|7.0|8.0|9.0|10",
                            }));
    EXPECT_EQ(t.run.FailuresReported, 0);
    EXPECT_TRUE(t.ui.boxes.empty());
}

TEST_F(Takeover, AnOffsetStandsOnlyAsANumber) {
    Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1") +
           Insert(2, "M1", "v2", "0", "0, 100, 0, 100, 1") +
           Insert(3, "M1", "v2", "1", "0, 100, 0, 100, 1"));
    std::string textOffsets = kTable;
    textOffsets.replace(textOffsets.find("offset_or_bitno LONG"), 20, "offset_or_bitno TEXT(40)");
    // Bare in the statement, the field name would compare the field with
    // itself and select every offset of v2. Blanks, a plus sign and an
    // exponent leave a number a number.
    MachineCopy(textOffsets + Insert(10, "M1", "v2", "'offset_or_bitno'", "1, 2, 3, 4, 5") +
                Insert(11, "M1", "v1", "''", "1, 2, 3, 4, 5") +
                Insert(12, "M1", "v2", "'1E0'", "11, 12, 13, 14, 15") +
                Insert(13, "M1", "v1", "' 0'", "21, 22, 23, 24, 25") +
                Insert(14, "M1", "v2", "'+0'", "31, 32, 33, 34, 35") +
                Insert(15, "M1", "v2", "'0 OR 1'", "41, 42, 43, 44, 45"));
    GetAddFields(t.run);

    ASSERT_TRUE(Run());

    EXPECT_EQ(TargetRows(), (Rows{
                                "1|M1|v1|0|21.0|22.0|23.0|24.0|25",
                                "2|M1|v2|0|31.0|32.0|33.0|34.0|35",
                                "3|M1|v2|1|11.0|12.0|13.0|14.0|15",
                            }));
    EXPECT_EQ(t.run.FailuresReported, 0);
}

TEST_F(Takeover, AnOldMachineCopyWithCategorieIsRead) {
    Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1"));
    std::string oldTable = kTable;
    oldTable.replace(oldTable.find("category_id"), 11, "CATEGORIE");
    MachineCopy(oldTable + Insert(10, "M1", "v1", "0", "1, 2, 3, 4, 5"));
    GetAddFields(t.run);

    ASSERT_TRUE(Run());

    EXPECT_EQ(TargetRows(), Rows{"1|M1|v1|0|1.0|2.0|3.0|4.0|5"});
    EXPECT_EQ(t.run.FailuresReported, 0);
}

TEST_F(Takeover, AMachineCopyLackingAFieldFailsOnEveryRecord) {
    Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1"));
    MachineCopy(
        "CREATE TABLE PRESET_DEFS (" + kColumns.substr(0, kColumns.find(", pass")) + ");" +
        "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 2, 'v1', 3, 0, 0, 'T', 'P', 1, 2, 3, 4);" +
        "INSERT INTO PRESET_DEFS VALUES (2, 'M1', 2, 'v2', 3, 0, 0, 'T', 'P', 1, 2, 3, 4);");
    t.run.SilentMode = true;
    GetAddFields(t.run);

    ASSERT_TRUE(Run());

    // pass is missing on both records; the values read are still taken over,
    // pass as the Empty it was left at. A field that is not there holds no
    // value to lose: both records count as read.
    EXPECT_EQ(t.run.FailuresReported, 2);
    EXPECT_EQ(read, 2);
    EXPECT_EQ(TargetRows(), Rows{"1|M1|v1|0|1.0|2.0|3.0|4.0|NULL"});
}

TEST_F(Takeover, AnEmptyMachineCopyIsReportedOnceAndTakesNothingOver) {
    Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1"));
    MachineCopy(kTable);
    GetAddFields(t.run);
    t.ui.Answer(box::kYes);  // "Resume?" after moving to the first record failed

    ASSERT_TRUE(Run());

    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].title, "Unexpected error");
    EXPECT_NE(t.Read(kErrorLog).find(" / TakeoverMachineCopyMDBData (Nr. 3021) :"),
              std::string::npos);
    EXPECT_EQ(t.run.FailuresReported, 1);
    EXPECT_EQ(TargetRows(), Rows{"1|M1|v1|0|0.0|100.0|0.0|100.0|1"});
}

// The machine copy with a 16th field that only the configuration can name.
class ExtraField : public Takeover {
  protected:
    void SetUp() override {
        Takeover::SetUp();
        Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1"));
        MachineCopy("CREATE TABLE PRESET_DEFS (" + kColumns + ", part SHORT, note TEXT(20));" +
                    "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 2, 'v1', 3, 0, 0, 'T', 'P',"
                    " 1, 2, 3, 4, 5, 1, 'kept');");
    }

    const std::string kWarningBox =
        "WARNING!\n\rMachinecopy contains data in fields that won't be taken over!\n\r"
        "Configurationfile \"CALVORA.CFG\", missing entry \"DataBaseAdditionalFields \"\n\r"
        "If you continue now this data will be lost.\n\rContinue?";
    const Rows kTakenOver{"1|M1|v1|0|1.0|2.0|3.0|4.0|5"};
    const Rows kUntouched{"1|M1|v1|0|0.0|100.0|0.0|100.0|1"};
};

TEST_F(ExtraField, FifteenFieldsNeedNoWarning) {
    MachineCopy(
        "ALTER TABLE PRESET_DEFS DROP COLUMN note; ALTER TABLE PRESET_DEFS DROP COLUMN part;");
    ASSERT_TRUE(Run());
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(TargetRows(), kTakenOver);
}

TEST_F(ExtraField, WithAdditionalFieldsSetUpThereIsNoWarning) {
    GetAddFields(t.run);
    ASSERT_TRUE(Run());
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(TargetRows(), kTakenOver);
}

TEST_F(ExtraField, YesGoesOnWithoutTheExtraData) {
    t.ui.Answer(box::kYes);
    ASSERT_TRUE(Run());
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].text, kWarningBox);
    EXPECT_EQ(t.ui.boxes[0].style, 308);
    EXPECT_EQ(t.ui.boxes[0].title, "Calvora_Config");
    EXPECT_EQ(TargetRows(), kTakenOver);
    EXPECT_FALSE(t.Exists(kErrorLog));
}

TEST_F(ExtraField, SilentModeOnlyNotesTheWarning) {
    t.run.SilentMode = true;
    ASSERT_TRUE(Run());
    EXPECT_EQ(
        t.Read(kServiceLog),
        "! Fault Calvora_Config: WARNING!Machinecopy contains data in fields that won't be "
        "taken over!Configurationfile \"CALVORA.CFG\", missing entry "
        "\"DataBaseAdditionalFields \"If you continue now this data will be lost.Continue?\r\n");
    EXPECT_FALSE(t.Exists(kErrorLog));
    EXPECT_EQ(TargetRows(), kTakenOver);
}

TEST_F(ExtraField, NoEndsTheProgramBeforeAnythingIsWritten) {
    t.ui.Answer(box::kNo);  // the warning
    t.ui.Answer(box::kOk);  // "Fatal error"
    ASSERT_FALSE(Run());
    EXPECT_EQ(endCode, exitcode::kEndedByError);
    ASSERT_EQ(t.ui.boxes.size(), 2u);
    EXPECT_EQ(t.ui.boxes[1].title, "Fatal error");
    EXPECT_EQ(t.ui.boxes[1].style, 16);
    EXPECT_EQ(t.ui.boxes[1].text,
              "Unexpected error!\n\rDatabase-Error - Contact Administrator!\n\rError logged to "
              "\n\rC:\\PROJECT\\TRXCFGLOG.TXT");
    EXPECT_EQ(t.Read(kErrorLog),
              "Calvora_Config :Database-Error - Contact Administrator! Configurationprogram "
              "\"CALVORA\" terminated. Please check Configuration in \"CALVORA.CFG\" Restart "
              "C:\\PROJECT\\CONFIG\\CALVORA_CONFIG.EXE!\r\n"
              "Fehler in Calvora / Calvora_Config / TakeoverMachineCopyMDBData (Nr. 9999) "
              ":Database-Error - Contact Administrator!\r\n");
    EXPECT_EQ(TargetRows(), kUntouched);
}

// The regenerated table must hold every field the configuration demands,
// spelled exactly.
class MissingAdditionalField : public Takeover {
  protected:
    void Prepare(const std::string& cfgEntry, const std::string& targetTable) {
        t.Write(kCfg, "[Project]\r\nDataBaseAdditionalFields=" + cfgEntry + "\r\n");
        Target(targetTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1"));
        MachineCopy(kTable + Insert(1, "M1", "v1", "0", "1, 2, 3, 4, 5"));
        GetAddFields(t.run);
    }

    std::string ConflictLine(const std::string& field) {
        return "Conflict while attempting to extend database!Configurationsfile \"CALVORA.CFG\", "
               "demanded field \"" +
               field +
               "\"missing in machinecopy-database\n\rConfiguration of \"CALVORA\" aborted.\r\n"
               "Fehler in Calvora / Calvora_Config / TakeoverMachineCopyMDBData (Nr. 9999) "
               ":Database-Error - Contact Administrator!\r\n";
    }
};

TEST_F(MissingAdditionalField, EndsTheProgramNamingTheFieldInUpperCase) {
    Prepare("extra", kTable);
    t.ui.Answer(box::kOk);  // "Fatal error"
    ASSERT_FALSE(Run());
    EXPECT_EQ(endCode, exitcode::kEndedByError);
    ASSERT_EQ(t.ui.boxes.size(), 1u);
    EXPECT_EQ(t.ui.boxes[0].title, "Fatal error");
    EXPECT_EQ(t.Read(kErrorLog), ConflictLine("EXTRA"));
    EXPECT_EQ(TargetRows(), Rows{"1|M1|v1|0|0.0|100.0|0.0|100.0|1"});
}

TEST_F(MissingAdditionalField, EndsTheProgramAlsoInSilentMode) {
    Prepare("extra", kTable);
    t.run.SilentMode = true;
    ASSERT_FALSE(Run());
    EXPECT_EQ(endCode, exitcode::kEndedByError);
    EXPECT_EQ(t.Read(kErrorLog), ConflictLine("EXTRA"));
    EXPECT_NE(t.Read(kServiceLog).find("! Fault Calvora_Config: Unexpected error!"),
              std::string::npos);
    EXPECT_EQ(TargetRows(), Rows{"1|M1|v1|0|0.0|100.0|0.0|100.0|1"});
}

// An empty machine copy has no row to take over, yet the declared field is
// missing all the same: the run ends before the table is published.
TEST_F(MissingAdditionalField, EndsTheProgramAlsoForAnEmptyMachineCopy) {
    t.Write(kCfg, "[Project]\r\nDataBaseAdditionalFields=extra\r\n");
    Target(kTable + Insert(1, "M1", "v1", "0", "0, 100, 0, 100, 1"));
    MachineCopy(kTable);
    GetAddFields(t.run);
    t.run.SilentMode = true;
    ASSERT_FALSE(Run());
    EXPECT_EQ(endCode, exitcode::kEndedByError);
    EXPECT_NE(t.Read(kErrorLog).find(ConflictLine("EXTRA")), std::string::npos)
        << t.Read(kErrorLog);
}

TEST_F(MissingAdditionalField, PartSpelledOtherwiseIsMissing) {
    std::string table = kTable;
    table.replace(table.find("part SHORT"), 4, "Part");
    Prepare("", table);
    t.run.SilentMode = true;
    ASSERT_FALSE(Run());
    EXPECT_EQ(t.Read(kErrorLog), ConflictLine("PART"));
}

TEST_F(MissingAdditionalField, ADeclaredFieldPresentIsNotCarriedOver) {
    std::string table = kTable;
    table.replace(table.find(");"), 2, ", extra TEXT(20));");
    t.Write(kCfg, "[Project]\r\nDataBaseAdditionalFields=extra\r\n");
    Target(table +
           "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 2, 'v1', 3, 0, 0, 'T', 'P', 0, 100, 0,"
           " 100, 1, 1, 'template');");
    MachineCopy(table +
                "INSERT INTO PRESET_DEFS VALUES (1, 'M1', 2, 'v1', 3, 0, 0, 'T', 'P', 1, 2,"
                " 3, 4, 5, 1, 'machine');");
    GetAddFields(t.run);
    ASSERT_TRUE(Run());
    EXPECT_TRUE(t.ui.boxes.empty());
    EXPECT_EQ(TargetRows(), Rows{"1|M1|v1|0|1.0|2.0|3.0|4.0|5"});
    EXPECT_EQ(QueryRows(t.Host(kSource), "SELECT extra FROM PRESET_DEFS"), Rows{"template"});
}

}  // namespace
}  // namespace calvora
