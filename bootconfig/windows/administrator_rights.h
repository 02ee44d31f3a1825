// Whether this program runs with the rights of the Administrators group.
#pragma once

namespace harnlode {

bool HasAdministratorRights();

}  // namespace harnlode
