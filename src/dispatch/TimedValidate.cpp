// Validation of TDivs in timed random dispatch, where the field holds a range of
// seconds such as 1-3. Its rule belongs to the timed dispatch; until that is in,
// the field is left as typed.
#include "app/FDispatch.h"

namespace fd {

void FDispatch::TDivs_ValidateTimed(bool &cancel) { cancel = false; }

} // namespace fd
