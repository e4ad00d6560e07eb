#include "app/captions.h"

#include "app/program_folder.h"
#include "errors/error_protocol.h"
#include "platform/failure.h"
#include "platform/text.h"
#include "settings/ini_access.h"

namespace calvora {

namespace {

bool HasCaption(const Control& control) {
    const std::string kind = UCase(control.KindName());
    return kind == "LABEL" || kind == "COMMANDBUTTON" || kind == "CHECKBOX";
}

// "0" and empty both mean that the language has no text for a key.
bool IsText(const std::string& value) {
    return !value.empty() && value != "0";
}

// Runs the caption, help and tool-tip handling of one control; keyPart is
// Name [+ Index] + "_" + Tag.
void ApplyTexts(RunState& run, Control& control, const std::string& keyPart,
                const std::string& lang, const std::string& file) {
    if (HasCaption(control)) {
        const std::string key = "Caption_" + keyPart;
        std::string caption = LoadIniString(run, lang, key, file, false);
        if (IsText(caption)) {
            control.SetCaption(caption);
        } else {
            // The base language documents the design caption; others await a translation.
            SaveIni(run, Variant::Text(lang == kBaseLanguage ? control.Caption() : "0"), lang, key,
                    file);
        }
        if (int32_t id = control.WhatsThisHelpID(); id != 0) {
            if (id < 1 || id > 100) {
                RaiseRuntime(err::kSubscript, "Help id " + std::to_string(id) + " of control '" +
                                                  control.Name() + "' lies outside 1 to 100");
            }
            const std::string helpKey = "Help" + std::to_string(id);
            run.HelpTexts[id] = LoadIniString(run, lang, helpKey, file, false);
            if (!IsText(run.HelpTexts[id]))
                SaveIni(run, Variant::Text("0"), lang, helpKey, file);
        }
    }
    if (InStr(UCase(control.Tag()), "NOTTT") > 0)
        return;
    const std::string key = "TTT_" + keyPart;
    std::string tip = LoadIniString(run, lang, key, file, false);
    if (IsText(tip)) {
        control.SetToolTipText(tip);
    } else {
        SaveIni(run, Variant::Text("0"), lang, key, file);
    }
}

bool IsArrayMember(const std::vector<Control*>& controls, size_t position) {
    for (size_t other = 0; other < controls.size(); ++other) {
        if (other != position && controls[other]->Name() == controls[position]->Name()) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string LanguageFilePath(RunState& run) {
    return InProgramFolder(run.process(), ProgramName(run.process()) + ".ini");
}

std::string GetLanguage(RunState& run) {
    Proc proc(run, "GetLanguage");
    std::string file;
    std::string lang;
    proc.Step([&] {
        file = LanguageFilePath(run);
        lang = LoadIniString(run, "Language", "Language", file, false);
    });
    if (!lang.empty())
        return lang;
    proc.Step([&] { SaveIni(run, Variant::Text(kBaseLanguage), "Language", "Language", file); });
    return kBaseLanguage;
}

void LoadToolTipTexts(RunState& run, Form& form) {
    const std::string lang = GetLanguage(run);
    const std::string file = LanguageFilePath(run);
    const std::vector<Control*> controls = form.Controls();
    Proc perControl(run);
    for (size_t position = 0; position < controls.size(); ++position) {
        const bool inArray = IsArrayMember(controls, position);
        // A control that fails is skipped silently; the next one is still handled.
        perControl.Quietly([&] {
            Control& control = *controls[position];
            std::string keyPart = control.Name();
            if (inArray)
                keyPart += std::to_string(control.Index());
            keyPart += "_" + control.Tag();
            ApplyTexts(run, control, keyPart, lang, file);
        });
    }
}

}  // namespace calvora
