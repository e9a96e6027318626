#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "config/config_form.h"

namespace pelora {

// Presents a widget (the main window) and its named descendants as a form of the
// configuration store. The controls are the descendant objects with an object name, in the
// order QObject::findChildren gives them (creation order, depth first), which is the same in
// every run. Properties by widget kind:
//   QLineEdit    "text"
//   QCheckBox    "Value": "0" unchecked, "1" checked, "2" partly checked; nothing else taken
//   QComboBox    "text", "ListIndex", "ListCount" and the entries of "List"; a combo box
//                that cannot be edited takes only a text that is one of its entries
//   QLabel       "Caption"
//   QRadioButton "Value": "True" or "False" (a number: 0 is False, any other True)
// and any other property the object carries under the asked name (a Qt or dynamic property).
// Assignments use the widgets' setters, so their change signals fire synchronously, and only
// when the value changes. The three value sets are kept on this object (ConfigForm's fields).
class ConfigFormAdapter : public ConfigForm {
public:
    // `root` must outlive this adapter. `formName` is the settings section; when empty, the
    // root's object name at the time of asking.
    explicit ConfigFormAdapter(QWidget& root, std::string formName = {});

    std::string name() const override;
    std::vector<std::unique_ptr<ConfigControl>> controls() override;

private:
    QPointer<QWidget> m_root;
    std::string m_name;
};

}  // namespace pelora
