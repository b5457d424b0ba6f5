#pragma once
// Text fields whose texts are templates: "<%" key "%>" placeholders filled
// from a dictionary (template substitution, keys the dictionary lacks
// removed). The first fill keeps the field's text as its template, so a
// field can be filled again with other values.
#include <QVariantMap>
#include <QWidget>

namespace tolvane {

// Fills every QVTextField among the view's subviews, and theirs, depth first
// in child order; with `trimmed` the results lose surrounding white space.
void fillTemplateFields(const QVariantMap &values, QWidget *view, bool trimmed);

} // namespace tolvane
