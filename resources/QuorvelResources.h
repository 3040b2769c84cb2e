// The program's own resources, registered with the window layer at start-up.
#pragma once

// Registers every template, menu, accelerator table, toolbar, picture and string once.
void RegisterQuorvelResources();
