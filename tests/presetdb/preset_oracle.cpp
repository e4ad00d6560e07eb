#include "tests/presetdb/preset_oracle.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

#include "dao/conversion.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::test {

namespace {

struct Oracle {
    const OracleProject& p;
    OracleResult result;
    std::vector<Record> unit;
    std::array<std::array<std::string, 51>, 2> partVarNames;

    size_t Field(const std::string& name) const {
        for (size_t i = 0; i < p.fieldNames.size(); ++i)
            if (UCase(p.fieldNames[i]) == UCase(name))
                return i;
        throw Failure(3265, "oracle", "no field " + name);
    }

    void Fail(const Failure& f, const std::string& procedure) {
        result.failures.insert({f.Number(), procedure});
    }

    // The first occurrence of search, found without regard to case, replaced.
    static std::string Replace(const std::string& text, const std::string& search,
                               const std::string& replacement) {
        size_t at = UCase(text).find(UCase(search));
        if (at == std::string::npos)
            return text;
        return text.substr(0, at) + replacement + text.substr(at + search.size());
    }

    // Every record of the unit database whose var_name equals the looked-for
    // name gets the new one.
    void Rename(const std::string& name0, const std::string& name1) {
        if (!p.unitExists)
            return;
        const std::string& lookFor = p.studio == 1 ? name0 : name1;
        const std::string& writeAs = p.studio == 1 ? name1 : name0;
        const std::string& literal = lookFor;
        const size_t varName = Field("var_name");
        for (Record& record : unit) {
            if (!record[varName].IsText() || UCase(record[varName].AsText()) != UCase(literal))
                continue;
            try {
                record[varName] = dao::ConvertForField(Variant::Text(writeAs),
                                                       p.unitFieldTypes[varName], "var_name");
            } catch (const Failure& f) {
                Fail(f, "VarNameInQuelleErsetzen");
            }
        }
    }

    std::string VarName(const Record& record, const std::string& varName,
                        const std::string& machine) {
        const Variant& part = record[Field("part")];
        if (part.IsNull())
            throw Failure(94, "oracle", "part is Null");
        const int32_t number = static_cast<int32_t>(part.NumericValue());
        if (number < 1 || number > 50)
            throw Failure(9, "oracle", "part out of range");
        std::array<std::string, 2> names;
        for (int k = 0; k < 2; ++k) {
            names[k] = Replace(partVarNames[k][number], "###Var_Name", varName);
            names[k] = Replace(names[k], "###machine", machine);
            names[k] = Replace(names[k], "###machine", machine);
        }
        Rename(names[0], names[1]);
        return names[p.studio];
    }

    void Generate() {
        int nextId = 1;
        for (size_t m = 0; m < p.machines.size(); ++m) {
            const std::string& machine = p.machines[m];
            if (!p.forMachine[m] || machine == "-")
                continue;
            for (const Record& source : p.source) {
                Record record(p.fieldNames.size(), Variant::Null());
                record[0] = dao::ConvertForField(Variant::Integer(static_cast<int16_t>(nextId)),
                                                 p.fieldTypes[0], "ID");
                ++nextId;
                for (size_t i = 1; i < p.fieldNames.size(); ++i) {
                    try {
                        const Variant& v = source[i];
                        Variant value = v;
                        if (v.IsText())
                            value = Variant::Text(
                                UCase(p.fieldNames[i]) == "VAR_NAME"
                                    ? VarName(record, std::string(v.AsText()), machine)
                                    : Replace(std::string(v.AsText()), "###machine", machine));
                        record[i] = dao::ConvertForField(value, p.fieldTypes[i], p.fieldNames[i]);
                    } catch (const Failure& f) {
                        Fail(f, "CreateRecordSets");
                    }
                }
                result.published.push_back(record);
            }
        }
    }

    // A key as the match query holds it; false when it cannot stand there.
    static bool KeyText(const Variant& v, std::string& text) {
        if (v.IsNull() || v.IsEmpty())
            text.clear();
        else if (v.IsText())
            text = v.AsText();
        else if (v.IsNumeric() && v.Type() != VarType::Boolean)
            text =
                NumberToText(v.Type() == VarType::Currency ? Variant::Double(v.NumericValue()) : v);
        else
            return false;
        return true;
    }

    // A number as it may stand bare in the query: blanks around it, a plus
    // or minus sign, digits with one point, an exponent.
    static bool BareNumber(std::string s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.erase(0, 1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
            s.pop_back();
        size_t i = 0;
        if (i < s.size() && s[i] == '+')
            ++i;
        if (i < s.size() && s[i] == '-')
            ++i;
        size_t digits = 0;
        while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) {
            ++i;
            ++digits;
        }
        if (i < s.size() && s[i] == '.') {
            ++i;
            while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) {
                ++i;
                ++digits;
            }
        }
        if (digits > 0 && i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
            size_t j = i + 1;
            if (j < s.size() && (s[j] == '+' || s[j] == '-'))
                ++j;
            size_t exponent = 0;
            while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) {
                ++j;
                ++exponent;
            }
            if (exponent > 0)
                i = j;
        }
        return digits > 0 && i == s.size();
    }

    static bool SameText(const Variant& field, const std::string& key) {
        std::string text;
        if (field.IsText())
            text = field.AsText();
        else if (field.IsNumeric() && field.Type() != VarType::Boolean)
            text = NumberToText(field);
        else
            return false;
        return UCase(text) == UCase(key);
    }

    void TakeOver() {
        if (!p.unitExists)
            return;
        if (unit.empty()) {
            result.failures.insert({3021, "TakeoverMachineCopyMDBData"});
            return;
        }
        const size_t machineType = Field("machine_type"), varName = Field("var_name"),
                     offset = Field("offset_or_bitno");
        const std::array<const char*, 5> values = {"abs_min", "abs_max", "min", "max", "pass"};
        for (const Record& row : unit) {
            std::string mt, vn, off;
            if (!KeyText(row[machineType], mt) || !KeyText(row[varName], vn) ||
                !KeyText(row[offset], off) || !BareNumber(off))
                continue;
            const double number = std::strtod(off.c_str(), nullptr);
            for (Record& record : result.published) {
                const Variant& o = record[offset];
                if (!SameText(record[machineType], mt) || !SameText(record[varName], vn) ||
                    !o.IsNumeric() || o.Type() == VarType::Boolean || o.NumericValue() != number)
                    continue;
                for (const char* name : values) {
                    const size_t i = Field(name);
                    try {
                        record[i] = dao::ConvertForField(row[i], p.fieldTypes[i], name);
                    } catch (const Failure& f) {
                        Fail(f, "TakeoverMachineCopyMDBData");
                    }
                }
                break;
            }
        }
    }
};

}  // namespace

OracleResult RunOracle(const OracleProject& project) {
    Oracle oracle{project, OracleResult(), project.unit, {}};
    for (const auto& [system, part, varName] : project.defs) {
        for (int k = 0; k < 2; ++k)
            if (UCase(system) == (k == 0 ? "VISIWIN32" : "VISIWINSTUDIO"))
                oracle.partVarNames[k][part] = varName;
    }
    oracle.Generate();
    oracle.TakeOver();
    // A run that generated nothing while the unit database held records
    // does not publish: the unit database keeps its records, renamed.
    if (oracle.result.published.empty() && !oracle.unit.empty()) {
        oracle.result.failures.insert({9999, "WorkOnMDB"});
        oracle.result.published = oracle.unit;
    }
    return std::move(oracle.result);
}

}  // namespace calvora::test
