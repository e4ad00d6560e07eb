// The preset job against its rules written out literally (preset_oracle.h),
// on randomly built projects: the published table record by record and the
// failures reported (number and procedure) must be the same.
//
// The projects mix what the rules turn on: names in both naming kinds and in
// any letter case, beyond ASCII and with quotes; machines named twice;
// duplicates on both sides; Null keys and values; offsets as bit numbers
// and as fractions; an additional field; part numbers and values that fail;
// a unit database that is missing or empty. CALVORA_DIFF_SEED and
// CALVORA_DIFF_PROJECTS choose the projects (the seed is printed on failure).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <regex>

#include "dao/database.h"
#include "dao/recordset.h"
#include "platform/text.h"
#include "presetdb/database_preparation.h"
#include "tests/presetdb/preset_oracle.h"
#include "tests/presetdb/preset_project.h"

namespace calvora::test {
namespace {

const std::vector<std::string> kDeclared = {"ID LONG",
                                            "part SHORT",
                                            "machine_type TEXT(50)",
                                            "type SHORT",
                                            "var_name TEXT(100)",
                                            "category_id SHORT",
                                            "isBitArray BIT",
                                            "offset_or_bitno LONG",
                                            "text TEXT(255)",
                                            "page_name TEXT(50)",
                                            "abs_min DOUBLE",
                                            "abs_max DOUBLE",
                                            "min DOUBLE",
                                            "max DOUBLE",
                                            "pass SHORT"};
// The machine copy may declare other types: its values are converted when
// taken over. Offsets there are fractions too, or whole numbers as most
// machine copies have them (see kWholeOffset).
const std::vector<std::string> kUnitDeclared = {"ID LONG",
                                                "part SHORT",
                                                "machine_type TEXT(50)",
                                                "type SHORT",
                                                "var_name TEXT(100)",
                                                "category_id SHORT",
                                                "isBitArray BIT",
                                                "offset_or_bitno DOUBLE",
                                                "text TEXT(255)",
                                                "page_name TEXT(50)",
                                                "abs_min DOUBLE",
                                                "abs_max DOUBLE",
                                                "min DOUBLE",
                                                "max DOUBLE",
                                                "pass DOUBLE"};
constexpr const char* kExtra = "extra TEXT(20)";
constexpr size_t kOffsetField = 7;
constexpr const char* kWholeOffset = "offset_or_bitno LONG";

const std::vector<std::string> kMachines = {"M1", "m1", "Mä", "MÄ", "-", "Q\"1", "M2"};
const std::vector<std::string> kVarNames = {"v1",   "V1",     "vä", "VÄ",
                                            "q\"x", "q\"\"x", "",   std::string(96, 'L')};
// Templates of both kinds per part (part 4 has none).
const std::vector<std::tuple<std::string, int, std::string>> kDefs = {
    {"VisiWin32", 1, "W_###machine_###Var_Name"},
    {"VISIWINSTUDIO", 1, "S_###MACHINE_###var_name"},
    {"visiwin32", 2, "###Var_Name"},
    {"VisiWinStudio", 2, "S_###machine_###Var_Name"},
    {"VISIWIN32", 3, "w###Var_Name"},
    {"VISIWINSTUDIO", 3, "###Var_Name###machine"},
};

std::string Sql(const Variant& v) {
    if (v.IsNull())
        return "NULL";
    if (v.IsText()) {
        std::string out = "'";
        for (char c : v.AsText())
            out += c == '\'' ? std::string("''") : std::string(1, c);
        return out + "'";
    }
    if (v.Type() == VarType::Boolean)
        return v.AsBoolean() ? "-1" : "0";
    return NumberToText(v);
}

std::string Show(const Variant& v) {
    return std::to_string(static_cast<int>(v.Type())) + ":" + (v.IsNull() ? "" : Sql(v));
}

std::string Columns(const std::vector<std::string>& declared) {
    std::string out;
    for (const std::string& d : declared)
        out += (out.empty() ? "" : ", ") + d;
    return out;
}

class RandomProject {
  public:
    explicit RandomProject(uint32_t seed) : rng_(seed) {}

    template <class T>
    const T& Pick(const std::vector<T>& from) {
        return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(rng_)];
    }
    bool Chance(int percent) { return std::uniform_int_distribution<int>(1, 100)(rng_) <= percent; }
    int Between(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }

    std::string AnyCase(std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'z' && Chance(30))
                c = static_cast<char>(c - 32);
            else if (c >= 'A' && c <= 'Z' && Chance(30))
                c = static_cast<char>(c + 32);
        return text;
    }

    OracleProject Build() {
        OracleProject o;
        o.studio = Chance(50) ? 1 : 0;
        for (int m = Between(1, 3); m > 0; --m) {
            o.machines.push_back(Pick(kMachines));
            o.forMachine.push_back(Chance(80));
        }
        o.defs = kDefs;
        std::vector<std::string> declared = kDeclared, unitDeclared = kUnitDeclared;
        extra_ = Chance(25);
        wholeOffsets_ = Chance(50);
        if (wholeOffsets_)
            unitDeclared[kOffsetField] = kWholeOffset;
        if (extra_) {
            declared.push_back(kExtra);
            unitDeclared.push_back(kExtra);
        }
        for (size_t i = 0; i < declared.size(); ++i) {
            const size_t blank = declared[i].find(' ');
            o.fieldNames.push_back(declared[i].substr(0, blank));
            o.fieldTypes.push_back(dao::ParseDeclaredType(declared[i].substr(blank + 1)));
            o.unitFieldTypes.push_back(dao::ParseDeclaredType(unitDeclared[i].substr(blank + 1)));
        }
        std::vector<int> ids;
        for (int r = Between(0, 6); r > 0; --r) {
            int id = Between(1, 30);
            if (std::find(ids.begin(), ids.end(), id) == ids.end())
                ids.push_back(id);
        }
        std::sort(ids.begin(), ids.end());
        for (int id : ids)
            o.source.push_back(SourceRecord(id));
        o.unitExists = Chance(90);
        if (o.unitExists && Chance(95))
            for (int r = Between(1, 10); r > 0; --r)
                o.unit.push_back(UnitRecord(o, r));
        declared_ = Columns(declared);
        unitDeclared_ = Columns(unitDeclared);
        addFieldsEntry_ = extra_ && Chance(50);
        return o;
    }

    // Writes the project's files.
    void Write(PresetProject& p, const OracleProject& o) {
        p.Machines(o.machines);
        std::string cfg;
        for (size_t m = 0; m < o.machines.size(); ++m)
            cfg += "ForMachine" + std::to_string(m + 1) + "=" +
                   (o.forMachine[m] ? "TRUE" : "FALSE") + "\r\n";
        if (addFieldsEntry_)
            cfg += "DataBaseAdditionalFields=extra\r\n";
        p.Cfg(cfg);
        p.folder.Write(kProgramIni, o.studio == 1 ? "[Project]\r\nVWStudio=TRUE\r\n" : "");
        std::string script =
            "CREATE TABLE Source_DEFS (System TEXT(20), Part SHORT, Var_Name TEXT(100));";
        for (const auto& [system, part, varName] : o.defs)
            script += "INSERT INTO Source_DEFS VALUES ('" + system + "', " + std::to_string(part) +
                      ", '" + varName + "');";
        script += "CREATE TABLE Source_PRESET_DEFS (" + declared_ + ");" +
                  Inserts("Source_PRESET_DEFS", o.source);
        p.folder.CreateDatabase(kSourceDb, script);
        if (o.unitExists)
            p.folder.CreateDatabase(kUnitDb, "CREATE TABLE PRESET_DEFS (" + unitDeclared_ + ");" +
                                                 Inserts("PRESET_DEFS", o.unit));
    }

  private:
    static std::string Inserts(const std::string& table, const std::vector<Record>& records) {
        std::string sql;
        for (const Record& record : records) {
            sql += "INSERT INTO " + table + " VALUES (";
            for (size_t i = 0; i < record.size(); ++i)
                sql += (i ? ", " : "") + Sql(record[i]);
            sql += ");";
        }
        return sql;
    }

    Variant AnyOf(const std::vector<Variant>& values) { return Pick(values); }

    Record SourceRecord(int id) {
        Record r = {
            Variant::Long(id),
            AnyOf({Variant::Integer(1), Variant::Integer(2), Variant::Integer(3),
                   Variant::Integer(1), Variant::Integer(4), Variant::Integer(0), Variant::Null()}),
            Variant::Text(AnyCase(Pick(std::vector<std::string>{"###machine", "###machine", "fixed",
                                                                "###machine###machine"}))),
            Variant::Integer(1),
            Chance(5) ? Variant::Null() : Variant::Text(Pick(kVarNames)),
            Variant::Integer(2),
            Variant::Boolean(false),
            Chance(5) ? Variant::Null() : Variant::Long(Between(0, 2)),
            Variant::Text(Pick(std::vector<std::string>{"t ###machine ###MACHINE", "plain",
                                                        std::string(250, 't') + "###machine"})),
            Variant::Text("page"),
            Variant::Double(0),
            Variant::Double(100),
            Variant::Double(1),
            Variant::Double(99),
            Variant::Integer(3)};
        if (extra_)
            r.push_back(Variant::Text("x"));
        return r;
    }

    // A machine-copy record named as some generated record may be, in
    // either kind's naming and any letter case: mostly after a definition
    // of the source, so that rows find records and several rows the same.
    Record UnitRecord(const OracleProject& o, int id) {
        const std::string machine = Pick(o.machines);
        int part = Between(1, 3);
        std::string varName = Pick(kVarNames);
        Variant offset =
            AnyOf({Variant::Double(0), Variant::Double(1), Variant::Double(2), Variant::Double(1.5),
                   Variant::Null(), Variant::Double(1e-5), Variant::Double(2e20)});
        if (!o.source.empty() && Chance(80)) {
            const Record& definition = Pick(o.source);
            if (definition[1].IsNumeric())
                part = static_cast<int>(definition[1].NumericValue());
            if (definition[4].IsText())
                varName = definition[4].AsText();
            if (definition[7].IsNumeric() && Chance(90))
                offset = Variant::Double(definition[7].NumericValue());
        }
        // A whole-number field holds whole numbers only, as the engine reads them.
        if (wholeOffsets_ && !offset.IsNull())
            offset = std::fabs(offset.NumericValue()) < 1e9 &&
                             offset.NumericValue() == std::trunc(offset.NumericValue())
                         ? Variant::Long(static_cast<int32_t>(offset.NumericValue()))
                         : Variant::Long(Between(0, 3));
        std::string name = varName;
        for (const auto& [system, defPart, pattern] : kDefs)
            if (defPart == part && (UCase(system) == "VISIWINSTUDIO") == Chance(50))
                name = pattern;
        for (const char* placeholder : {"###Var_Name", "###machine", "###machine"}) {
            size_t at = UCase(name).find(UCase(placeholder));
            if (at != std::string::npos)
                name.replace(at, std::string(placeholder).size(),
                             std::string(placeholder) == "###Var_Name" ? varName : machine);
        }
        if (name.size() > 100)
            name.resize(100);
        Record r = {Variant::Long(id),
                    Variant::Integer(static_cast<int16_t>(part)),
                    Chance(5) ? Variant::Null() : Variant::Text(AnyCase(machine)),
                    Variant::Integer(1),
                    Chance(5) ? Variant::Null() : Variant::Text(AnyCase(name)),
                    Variant::Integer(2),
                    Variant::Boolean(false),
                    offset,
                    Variant::Text("old"),
                    Variant::Text("page"),
                    Chance(20) ? Variant::Null() : Variant::Double(Between(-5, 5)),
                    Variant::Double(Between(50, 60)),
                    Variant::Double(id),
                    Chance(20) ? Variant::Null() : Variant::Double(Between(90, 99)),
                    AnyOf({Variant::Double(3), Variant::Double(4), Variant::Null(),
                           Variant::Double(70000)})};
        if (extra_)
            r.push_back(Variant::Text("kept"));
        return r;
    }

    std::mt19937 rng_;
    bool extra_ = false;
    bool wholeOffsets_ = false;
    bool addFieldsEntry_ = false;
    std::string declared_, unitDeclared_;
};

std::vector<std::string> Published(PresetProject& p) {
    std::vector<std::string> rows;
    if (!p.folder.Exists(kUnitDb))
        return rows;
    dao::Database db = dao::OpenDatabase(p.folder.Host(kUnitDb));
    if (!db.TableDefs().Contains("PRESET_DEFS"))
        return rows;
    dao::Recordset rs = db.OpenRecordset("PRESET_DEFS");
    for (; !rs.Eof(); rs.MoveNext()) {
        std::string row;
        for (int32_t i = 0; i < rs.Fields().Count(); ++i)
            row += Show(rs.Fields().Item(i).Value()) + "|";
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Shown(const std::vector<Record>& records) {
    std::vector<std::string> rows;
    for (const Record& record : records) {
        std::string row;
        for (const Variant& v : record)
            row += Show(v) + "|";
        rows.push_back(row);
    }
    return rows;
}

// The failures the error log names: "... / procedure (Nr. number)".
Reported LoggedFailures(PresetProject& p) {
    Reported reported;
    if (!p.folder.Exists(kErrorLog))
        return reported;
    const std::string log = p.folder.Read(kErrorLog);
    static const std::regex entry(R"(/ ([A-Za-z]+) \(Nr\. (-?[0-9]+)\))");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), entry);
         it != std::sregex_iterator(); ++it)
        reported.insert({std::stoi((*it)[2]), (*it)[1]});
    return reported;
}

uint32_t FromEnvironment(const char* name, uint32_t otherwise) {
    const char* value = std::getenv(name);
    return value ? static_cast<uint32_t>(std::strtoul(value, nullptr, 10)) : otherwise;
}

TEST(Differential, ThePublishedTableAndTheFailuresAreThoseOfTheRules) {
    const uint32_t firstSeed = FromEnvironment("CALVORA_DIFF_SEED", std::random_device{}());
    const uint32_t projects = FromEnvironment("CALVORA_DIFF_PROJECTS", 1000);
    int differing = 0;
    for (uint32_t n = 0; n < projects && differing < 3; ++n) {
        const uint32_t seed = firstSeed + n;
        RandomProject random(seed);
        OracleProject o = random.Build();
        PresetProject p;
        random.Write(p, o);
        WorkOnMDB(p.run);
        const OracleResult expected = RunOracle(o);
        const std::vector<std::string> published = Published(p);
        const std::vector<std::string> expectedRows = Shown(expected.published);
        const Reported failures = LoggedFailures(p);
        if (published == expectedRows && failures == expected.failures)
            continue;
        ++differing;
        EXPECT_EQ(published, expectedRows) << "seed " << seed;
        EXPECT_EQ(failures, expected.failures) << "seed " << seed;
    }
}

}  // namespace
}  // namespace calvora::test
