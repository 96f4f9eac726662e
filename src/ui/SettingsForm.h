#pragma once

#include <QString>

#include <map>
#include <vector>

#include "core/OutletFieldCheck.h"

class QFormLayout;
class QLabel;
class QWidget;

namespace korvale {

// The rows of a settings page: each field with its label (the label's mnemonic moves the
// focus to the field), its accessible name, and for a field that can be refused, a line
// beside it that says what is wrong. UI thread.
class SettingsForm {
public:
    explicit SettingsForm(QFormLayout* layout);

    // Adds `field` under `text` (with "&" before its mnemonic letter); `accessibleName` is
    // the text without the mnemonic. Returns the row's label.
    QLabel* AddRow(const QString& text, QWidget* field);
    // As AddRow, for a field that `check` may refuse: its words show right of it.
    QLabel* AddCheckedRow(const QString& text, QWidget* field, OutletField check);
    // Shows each problem beside its field and clears the others; true when there is none.
    bool ShowProblems(const std::vector<FieldProblem>& problems);
    // The line of words beside `field` (nullptr for a field without one).
    QLabel* ProblemLine(OutletField field) const;

private:
    QFormLayout* m_layout;
    std::map<OutletField, QLabel*> m_problems;
};

} // namespace korvale
