#include "names/frm_send_text.h"

namespace sonarel {

void frmSendText::load() {}
void frmSendText::changeName() {}
void frmSendText::changeNameBack() {}

}  // namespace sonarel
