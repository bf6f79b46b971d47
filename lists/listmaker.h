// The list maker: composes the current practice list from the word book.
#pragma once

bool ShowListMaker();
