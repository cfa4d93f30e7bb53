#include "gui/main/RuleGridModel.h"

#include "project/ProjectState.h"
#include "project/RuleGrid.h"
#include "rules/RobotsLint.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

namespace sf {

void RuleGridModel::setRows(const QStringList& rows)
{
    beginResetModel();
    m_rows = rows;
    m_problems.clear();
    // The file as it will be written to the server, in the project's encoding; the lint's short list,
    // each finding on the first line it concerns.
    for (const rules::LintFinding& finding :
         rules::lintFindings(RobotsText::write(rows, shared::robotsTextForm)))
        m_problems[finding.lines.front() - 1] << finding.text;
    endResetModel();
}

int RuleGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RuleGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant RuleGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const auto problems = m_problems.constFind(index.row());
    if (role == Qt::DisplayRole)
        return m_rows.at(index.row());
    if (role == Qt::ToolTipRole && problems != m_problems.cend())
        return m_rows.at(index.row()) + u'\n' + problems->join(u'\n');
    if (role == Qt::ToolTipRole)
        return m_rows.at(index.row());
    if (role == Qt::DecorationRole && problems != m_problems.cend())
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    return {};
}

} // namespace sf
