// Resource and control ids of the sign-in dialog. Also read by the resource compiler.
#pragma once

#define IDD_SIGN_IN 152
// The four choices in this order, then the rest
#define IDC_SIGNIN_OFF 1020
#define IDC_SIGNIN_CACHE 1021
#define IDC_SIGNIN_COOKIE 1022
#define IDC_SIGNIN_ALL 1023
#define IDC_SIGNIN_STATE 1024
#define IDC_SIGNIN_HERE 1025
#define IDC_SIGNIN_LOG 1026
