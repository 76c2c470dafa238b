#pragma once

// The phone remote's page: one self-contained document (styles and script
// inline, nothing fetched from elsewhere), for a phone held in one hand, in
// portrait or landscape.
class PallixRemotePage
{
public:
    static const char* GetHtml();
};
