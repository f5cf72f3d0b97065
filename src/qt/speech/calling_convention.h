#ifndef RV_UI_SPEECH_CALLING_CONVENTION_H
#define RV_UI_SPEECH_CALLING_CONVENTION_H

/* The speech libraries use the platform's standard calling convention, in
   which the callee removes the arguments: __stdcall on 32-bit Windows, the
   only platform where that differs from the default. Plain C so that the
   test stand-ins for the libraries can share it. */
#if defined(_WIN32) && !defined(_WIN64)
#define RV_STDCALL __stdcall
#else
#define RV_STDCALL
#endif

#endif
