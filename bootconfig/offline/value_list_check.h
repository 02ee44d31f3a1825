// hivex sets a value of a key by first freeing every value record of the key and its data cell,
// trusting that each occurs once and is intact, and then replaces one value of the name. A
// damaged value list that names a record twice would make it stop the whole program (an
// assertion fails); one that holds two values of one name would keep the other, and reading
// would still find the old value; a data cell that is in fact another record, such as the root
// key, would be freed with it. So the list is checked before every such change.
#pragma once

#include <hivex.h>

namespace harnlode {

// True when every value of the key can be read, no value record or data cell is shared, no data
// cell is a record of the hive's structure and no two values have the same name; otherwise false,
// with errno telling why.
bool ValuesMayBeReplaced(hive_h* hive, hive_node_h node);

}  // namespace harnlode
