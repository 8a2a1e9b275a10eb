// The log4cplus headers the program uses, for char text.
//
// log4cplus is built for char text (log4cplus::tstring is std::string). Its headers choose
// wchar_t text whenever UNICODE is defined, which it is for the Windows API's wide names, so
// they are read here with UNICODE set aside. <windows.h> comes first so that it is read with
// UNICODE in force.
#pragma once

#include <windows.h>

#pragma push_macro("UNICODE")
#undef UNICODE
#include <log4cplus/appender.h>
#include <log4cplus/config.hxx>
#include <log4cplus/configurator.h>
#include <log4cplus/consoleappender.h>
#include <log4cplus/helpers/property.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>
#include <log4cplus/spi/loggingevent.h>
#pragma pop_macro("UNICODE")
