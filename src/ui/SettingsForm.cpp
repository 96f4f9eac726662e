#include "ui/SettingsForm.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QWidget>

namespace korvale {

namespace {
constexpr const char* kProblemStyle = "color: #b00020;";
} // namespace

SettingsForm::SettingsForm(QFormLayout* layout) : m_layout(layout) {}

QLabel* SettingsForm::AddRow(const QString& text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    field->setAccessibleName(plain);
    m_layout->addRow(label, field);
    return label;
}

QLabel* SettingsForm::AddCheckedRow(const QString& text, QWidget* field, OutletField check) {
    auto* row = new QWidget;
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(field, 1);
    auto* problem = new QLabel(row);
    problem->setStyleSheet(QLatin1String(kProblemStyle));
    problem->setWordWrap(true);
    problem->hide();
    box->addWidget(problem, 1);
    m_problems[check] = problem;
    auto* label = new QLabel(text);
    label->setBuddy(field);
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    field->setAccessibleName(plain);
    problem->setAccessibleName(plain + QLatin1String(": problem"));
    m_layout->addRow(label, row);
    return label;
}

bool SettingsForm::ShowProblems(const std::vector<FieldProblem>& problems) {
    for (const auto& [field, line] : m_problems) {
        QString words;
        for (const FieldProblem& problem : problems) {
            if (problem.field == field) {
                words = QString::fromStdString(problem.words);
            }
        }
        line->setText(words);
        line->setVisible(!words.isEmpty());
    }
    return problems.empty();
}

QLabel* SettingsForm::ProblemLine(OutletField field) const {
    const auto found = m_problems.find(field);
    return found != m_problems.end() ? found->second : nullptr;
}

} // namespace korvale
