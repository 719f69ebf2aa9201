// A PAM module for the password checks: whoever got through authentication
// has a password that has expired.
#include <security/pam_modules.h>

extern "C" {

PAM_EXTERN int pam_sm_authenticate(pam_handle_t*, int, int, const char**) { return PAM_SUCCESS; }
PAM_EXTERN int pam_sm_setcred(pam_handle_t*, int, int, const char**) { return PAM_SUCCESS; }
PAM_EXTERN int pam_sm_acct_mgmt(pam_handle_t*, int, int, const char**) { return PAM_NEW_AUTHTOK_REQD; }
}
