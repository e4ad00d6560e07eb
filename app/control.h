// The dialog's controls as the procedures see them.
//
// The caption, help and tool-tip code walks the controls by their runtime
// properties (Name, kind name, Index, Tag, Caption, WhatsThisHelpID,
// ToolTipText), and the handlers enable buttons and colour them. This
// interface carries exactly that, so all of it runs and is tested without a
// window system; the Qt dialog implements it over its widgets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calvora {

struct Rgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb kLightGrey{192, 192, 192};
inline constexpr Rgb kPureGreen{0, 255, 0};

// What a control is, fixed when the dialog is designed.
struct ControlDesign {
    std::string name;
    std::string kindName;          // "Label", "Frame", "CommandButton", ...
    std::optional<int16_t> index;  // set for a member of a control array
    std::string tag;
    int32_t whatsThisHelpId = 0;
};

class Control {
  public:
    explicit Control(ControlDesign design) : design_(std::move(design)) {}
    virtual ~Control() = default;

    const std::string& Name() const { return design_.name; }
    const std::string& KindName() const { return design_.kindName; }
    const std::string& Tag() const { return design_.tag; }
    int32_t WhatsThisHelpID() const { return design_.whatsThisHelpId; }

    // The index within its control array. Raises 343 for a control that
    // belongs to no array, as the runtime does.
    int16_t Index() const;

    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::string ToolTipText() const = 0;
    virtual void SetToolTipText(const std::string& text) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual Rgb BackColor() const = 0;
    virtual void SetBackColor(Rgb color) = 0;

  private:
    ControlDesign design_;
};

// The dialog window: its caption, its controls in the order of its control
// list, and being shown.
class Form {
  public:
    virtual ~Form() = default;

    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::vector<Control*> Controls() = 0;
    virtual void Show() = 0;
};

// The first control of the form's list with exactly this name. Raises 730
// when there is none.
Control& ControlNamed(Form& form, std::string_view name);

}  // namespace calvora
