#pragma once

#include "project/RuleGrid.h"

#include <QString>
#include <QStringList>

namespace sf::RuleGrid {

// The row of the line that addRule wrote last for the user-agent: right below the last row that
// names it. -1 when no row names it.
int addedRuleRow(const QStringList& rows, const QString& userAgent);

// The row where the user-agent's group (the group addRule writes into) holds already the very line
// addRule would write for the entry; -1 when it does not, or when addRule would write nothing.
int existingRuleRow(const QStringList& rows, const QString& userAgent, const QString& directory,
                    const QString& entryName, Directive directive = Directive::Disallow);

} // namespace sf::RuleGrid
