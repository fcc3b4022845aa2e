#include "app/FDispatch.h"

namespace fd {

void FDispatch::wireCatalogue() {}
void FDispatch::LDir_Change() {}
void FDispatch::CombOrder_Click() {}

} // namespace fd
