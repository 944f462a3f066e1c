// The seam's own file makes the real call.
BOOL RealMessageBeep(UINT type) { return MessageBeep(type); }
