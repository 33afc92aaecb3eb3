// Icons kept as image resources, looked up by resource id.
#pragma once

#include <QIcon>

// The icon with this id (all its sizes), or a null icon when there is none.
QIcon LoadIconResource(unsigned id);
